// What the reader sees of the engine: pieces, percent events, the size guard, premature ends,
// cancelling, volumes, unsupported methods and undecodable data.
#include <gtest/gtest.h>
#include <zlib.h>

#include "EngineTestSupport.h"
#include "archive/Crc32.h"
#include "platform/Stream.h"
#include "platform/Text.h"

namespace niv::test {
namespace {

std::string RawDeflate(const std::string& data, int level = 6, int strategy = Z_DEFAULT_STRATEGY) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy);
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

TZipMemberInfo Info(uint16_t method, const std::string& plain, const std::string& packed) {
  TZipMemberInfo info;
  info.CompressionMethod = method;
  info.CRC32 = Crc32(plain.data(), plain.size());
  info.UncompressedSize = static_cast<uint32_t>(plain.size());
  info.CompressedSize = static_cast<uint32_t>(packed.size());
  return info;
}

TEST(Decompressor, StoredMemberIsWrittenInPiecesWithPercentEvents) {
  std::string data = BinaryInput(40000);
  TDecodeOutcome r = Decode(Info(0, data, data), data);
  EXPECT_TRUE(r.decoded);
  EXPECT_EQ(r.pieces, (std::vector<size_t>{16000, 16000, 8000}));
  EXPECT_EQ(r.filePercents, (std::vector<int>{40, 80, 100}));
  EXPECT_EQ(r.output, data);
  EXPECT_EQ(r.crc, Crc32(data.data(), data.size()));
}

// Literals of one or two bits each: a single refill of the bit buffer yields dozens of bytes,
// which must fit the window's slack and survive its slides.
TEST(Decompressor, RunsOfShortLiteralCodesCrossTheWindowLimit) {
  std::string data(300000, 'a');
  uint32_t seed = 12345;
  for (char& c : data) {
    seed = seed * 1103515245 + 12345;
    if ((seed >> 16) % 3 == 0) c = 'b';
  }
  std::string packed = RawDeflate(data, 6, Z_HUFFMAN_ONLY);
  TDecodeOutcome r = Decode(Info(8, data, packed), packed);
  EXPECT_TRUE(r.decoded);
  EXPECT_EQ(r.output, data);
}

TEST(Decompressor, TotalPercentCountsOverTheWholeExtraction) {
  std::string data = TextInput(30000);
  plat::TMemoryStream archive(data), dest;
  int64_t written = 60000;  // two earlier members of 30000 bytes
  std::vector<int> totals;
  TDecompressHost host;
  host.Member = Info(0, data, data);
  host.ArchiveStream = [&]() -> plat::TStream& { return archive; };
  host.TotalBytes = 90000;
  host.TotalWritten = &written;
  host.OnTotalPercentDone = [&](int p) { totals.push_back(p); };
  TDecompressor().Decompress(host, dest);
  EXPECT_EQ(totals, (std::vector<int>{84, 100}));  // 76000 and 90000 of 90000
  EXPECT_EQ(written, 90000);
}

TEST(Decompressor, OutputPastTheRecordedSizeIsCutAtTheLastPieceThatFits) {
  std::string data = TextInput(40000);
  for (uint16_t method : {0, 8}) {
    std::string packed = method == 8 ? RawDeflate(data) : data;
    TZipMemberInfo info = Info(method, data, packed);
    info.UncompressedSize = 35000;
    TDecodeOutcome r = Decode(info, packed);
    EXPECT_EQ(r.error, "EBiggerThanUncompressed") << method;
    EXPECT_EQ(r.message, "File is larger than uncompressed size!");
    EXPECT_EQ(r.output, data.substr(0, 32000)) << method;
    EXPECT_NE(r.crc, info.CRC32);
  }
}

TEST(Decompressor, TruncatedDataEndsWithPrematureEndOfFile) {
  std::string data = TextInput(100000);
  for (uint16_t method : {0, 8}) {
    std::string packed = method == 8 ? RawDeflate(data) : data;
    TZipMemberInfo info = Info(method, data, packed);
    TDecodeOutcome r = Decode(info, packed.substr(0, packed.size() / 2));
    EXPECT_EQ(r.error, "EFatalUnzipError") << method;
    EXPECT_EQ(r.message, "Premature end of file reached");
  }
}

TEST(Decompressor, UnsupportedMethodShowsTheBoxAndWritesNothing) {
  for (uint16_t method : {7, 9, 12, 99}) {
    TZipMemberInfo info = Info(method, "abc", "xyz");
    TDecodeOutcome r = Decode(info, "xyz");
    EXPECT_FALSE(r.decoded);
    EXPECT_EQ(r.boxes, (std::vector<std::string>{"Zip Error: Unknown Compression Method"}));
    EXPECT_TRUE(r.output.empty());
    EXPECT_NE(r.crc, info.CRC32);
  }
  // An empty member of such a method matches its CRC of 0: an empty file counts as written.
  TDecodeOutcome empty = Decode(Info(12, "", ""), "");
  EXPECT_EQ(empty.boxes.size(), 1u);
  EXPECT_EQ(empty.crc, 0u);
}

TEST(Decompressor, UndecodableDataStopsWithoutError) {
  std::string data = TextInput(5000);
  std::string packed = RawDeflate(data);
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"block type 3", std::string("\x07\x00", 2)},
      {"stored length check", std::string("\x01\x05\x00\x05\x00hello", 10)},
      {"distance before the data", std::string("\x03\x02\x00", 3)},
      {"ends inside the stream", packed.substr(0, packed.size() - 3)},
  };
  for (const Case& c : cases) {
    TZipMemberInfo info = Info(8, data, c.bytes);
    TDecodeOutcome r = Decode(info, c.bytes);
    EXPECT_FALSE(r.decoded) << c.what;
    EXPECT_TRUE(r.error.empty()) << c.what << " " << r.error;
    EXPECT_NE(r.crc, info.CRC32) << c.what;
  }
}

TEST(Decompressor, CancelIsHonouredAtTheNextRefill) {
  std::string data = TextInput(50000);
  plat::TMemoryStream archive(data), dest;
  std::atomic<bool> cancel{false};
  int refills = 0;
  TDecompressHost host;
  host.Member = Info(0, data, data);
  host.ArchiveStream = [&]() -> plat::TStream& { return archive; };
  host.CancelFlag = &cancel;
  host.ProcessMessages = [&] {
    if (++refills == 2) cancel = true;  // a handler asks for the cancel meanwhile
  };
  try {
    TDecompressor().Decompress(host, dest);
    FAIL() << "no cancel";
  } catch (const EUserCanceled& e) {
    EXPECT_EQ(e.Message(), plat::A("Операция прервана пользователем."));
  }
  EXPECT_FALSE(cancel);
  EXPECT_EQ(dest.Data().size(), 16000u);  // the partial file remains

  // Without DoProcessMessages the flag is not looked at.
  cancel = true;
  archive.SetPosition(0);
  plat::TMemoryStream dest2;
  host.DoProcessMessages = false;
  EXPECT_TRUE(TDecompressor().Decompress(host, dest2));
  EXPECT_EQ(dest2.Data(), data);
}

TEST(Decompressor, DataContinuesOnTheNextVolume) {
  std::string data = RandomInput(30000);
  std::string packed = RawDeflate(data, 1);
  // Volume 1 ends 1000 bytes into the member; volume 2 has the rest.
  std::vector<std::unique_ptr<plat::TMemoryStream>> volumes;
  volumes.push_back(std::make_unique<plat::TMemoryStream>(packed.substr(0, 1000)));
  volumes.push_back(std::make_unique<plat::TMemoryStream>(packed.substr(1000)));
  int inUse = 0;
  std::vector<int> fetched;
  plat::TMemoryStream dest;
  TDecompressHost host;
  host.Member = Info(8, data, packed);
  host.ArchiveStream = [&]() -> plat::TStream& { return *volumes[static_cast<size_t>(inUse)]; };
  host.VolumeInUse = [&] { return inUse; };
  host.VolumeCount = 2;
  host.FetchVolume = [&](int n) {
    fetched.push_back(n);
    inUse = n - 1;
  };
  TDecompressor engine;
  EXPECT_TRUE(engine.Decompress(host, dest));
  EXPECT_EQ(fetched, (std::vector<int>{2}));
  EXPECT_EQ(dest.Data(), data);

  // Past the last volume the data ends prematurely.
  inUse = 0;
  volumes[0]->SetPosition(0);
  volumes[1]->SetSize(500);
  volumes[1]->SetPosition(0);
  plat::TMemoryStream dest2;
  EXPECT_THROW(engine.Decompress(host, dest2), EFatalUnzipError);
}

}  // namespace
}  // namespace niv::test
