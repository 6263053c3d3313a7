#include "EngineTestSupport.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "archive/Crc32.h"
#include "platform/Exceptions.h"
#include "platform/Stream.h"

namespace niv::test {
namespace {

uint32_t U16(const std::string& s, size_t at) {
  return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8;
}
uint32_t U32(const std::string& s, size_t at) {
  return U16(s, at) | U16(s, at + 2) << 16;
}

// Records every piece written.
class TRecordingStream : public plat::TMemoryStream {
 public:
  std::vector<size_t> pieces;
  int32_t Write(const void* buffer, int32_t count) override {
    pieces.push_back(static_cast<size_t>(count));
    return TMemoryStream::Write(buffer, count);
  }
};

}  // namespace

std::vector<TRawMember> ReadZipMembers(const std::filesystem::path& zip) {
  std::string z = ReadFile(zip);
  std::vector<TRawMember> members;
  if (z.size() < 22) return members;
  // The end record whose comment reaches the end of the file.
  size_t end = z.size() - 22;
  while (end != std::string::npos &&
         !(z.compare(end, 4, "PK\x05\x06") == 0 && end + 22 + U16(z, end + 20) == z.size()))
    end = end == 0 ? std::string::npos : end - 1;
  if (end == std::string::npos) return members;
  size_t count = U16(z, end + 10);
  size_t at = U32(z, end + 16);
  // Bytes in front of the archive that its offsets do not count (a program stub).
  size_t shift = end - U32(z, end + 12) - at;
  at += shift;
  for (size_t i = 0; i < count && at + 46 <= z.size() && U32(z, at) == 0x02014B50; ++i) {
    TRawMember m;
    m.info.Flags = static_cast<uint16_t>(U16(z, at + 8));
    m.info.CompressionMethod = static_cast<uint16_t>(U16(z, at + 10));
    m.info.ModTime = U32(z, at + 12);
    m.info.CRC32 = U32(z, at + 16);
    m.info.CompressedSize = U32(z, at + 20);
    m.info.UncompressedSize = U32(z, at + 24);
    size_t nameLength = U16(z, at + 28);
    m.externalAttributes = U32(z, at + 38);
    size_t local = U32(z, at + 42) + shift;
    m.name = z.substr(at + 46, nameLength);
    at += 46 + nameLength + U16(z, at + 30) + U16(z, at + 32);
    if (local + 30 > z.size() || U32(z, local) != 0x04034B50) continue;
    size_t data = local + 30 + U16(z, local + 26) + U16(z, local + 28);
    if (data + m.info.CompressedSize > z.size()) continue;
    m.data = z.substr(data, m.info.CompressedSize);
    members.push_back(std::move(m));
  }
  return members;
}

TDecodeOutcome Decode(const TZipMemberInfo& info, const std::string& data) {
  TRawMember m;
  m.info = info;
  m.data = data;
  return Decode(m);
}

TDecodeOutcome Decode(const TRawMember& member, const std::string& password) {
  TDecodeOutcome r;
  plat::TMemoryStream archive(member.data);
  TRecordingStream dest;
  TDecompressHost host;
  host.Member = member.info;
  host.ArchiveStream = [&]() -> plat::TStream& { return archive; };
  host.OnFilePercentDone = [&](int p) { r.filePercents.push_back(p); };
  host.ShowMessage = [&](std::string_view text, std::string_view caption) {
    r.boxes.push_back(std::string(caption) + ": " + std::string(text));
  };
  if (member.info.Flags & 1) {
    uint8_t header[kEncryptionHeaderSize] = {};
    archive.Read(header, kEncryptionHeaderSize);
    TZipKeys keys = TZipKeys::FromPassword(password);
    uint8_t check = (member.info.Flags & 8) ? static_cast<uint8_t>(member.info.ModTime >> 8)
                                            : static_cast<uint8_t>(member.info.CRC32 >> 24);
    if (!CheckEncryptionHeader(keys, header, check)) {
      r.error = "bad password";
      return r;
    }
    host.Keys = keys;
  }
  static TDecompressor decompressor;  // reused across members, as one extraction does
  try {
    r.decoded = decompressor.Decompress(host, dest);
  } catch (const plat::Exception& e) {
    r.error = e.ClassName();
    r.message = e.Message();
  }
  r.output = dest.Data();
  r.crc = ~host.RunningCrc;
  r.pieces = dest.pieces;
  return r;
}

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

void WriteFile(const std::filesystem::path& p, const std::string& data) {
  std::ofstream f(p, std::ios::binary);
  f.write(data.data(), static_cast<std::streamsize>(data.size()));
}

bool Run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

TTempDir::TTempDir() {
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() / ("niv-engine-" + std::to_string(rd()));
  std::filesystem::create_directories(path_);
}

TTempDir::~TTempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TextInput(size_t size) {
  static const char* words[] = {"the ",     "setup ",     "program ", "copies ", "files ",    "of ",
                                "each ",    "subsystem ", "into ",    "its ",    "directory", ".\n",
                                "archive ", "member ",    "window ",  "and "};
  std::mt19937 gen(7);
  std::string s;
  while (s.size() < size) s += words[gen() % 16];
  s.resize(size);
  return s;
}

std::string BinaryInput(size_t size) {
  // Structured records with small integers and some noise, like an executable or a table.
  std::mt19937 gen(11);
  std::string s;
  for (uint32_t i = 0; s.size() < size; ++i) {
    uint32_t v[4] = {i, i * 3 + 1, static_cast<uint32_t>(gen() % 256),
                     static_cast<uint32_t>(0x00401000u + (gen() % 64) * 16)};
    s.append(reinterpret_cast<const char*>(v), sizeof v);
  }
  s.resize(size);
  return s;
}

std::string RandomInput(size_t size) {
  std::mt19937 gen(5);
  std::string s(size, '\0');
  for (auto& c : s) c = static_cast<char>(gen());
  return s;
}

}  // namespace niv::test
