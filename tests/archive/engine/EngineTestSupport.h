#pragma once
// Helpers of the engine tests: members taken from real archives, run through the decompressor
// over memory streams.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "archive/Decompressor.h"

namespace niv::test {

struct TRawMember {
  std::string name;
  TZipMemberInfo info;
  std::string data;  // the compressed bytes, with an encryption header when there is one
  uint32_t externalAttributes = 0;
  bool IsSymlink() const { return (externalAttributes >> 16 & 0xF000) == 0xA000; }
};

// The members of a ZIP file as its central directory lists them (sizes and CRC from there);
// members whose local header is not where the directory says are left out.
std::vector<TRawMember> ReadZipMembers(const std::filesystem::path& zip);

struct TDecodeOutcome {
  bool decoded = false;
  std::string output;
  uint32_t crc = 0;  // finished CRC-32 of what was written
  std::vector<size_t> pieces;
  std::vector<int> filePercents;
  std::vector<std::string> boxes;  // "caption: text"
  std::string error;               // class name of an exception, if one ended it
  std::string message;
};

// Decompresses the member; an encrypted member needs its password (the header is checked).
TDecodeOutcome Decode(const TRawMember& member, const std::string& password = {});
TDecodeOutcome Decode(const TZipMemberInfo& info, const std::string& data);

std::string ReadFile(const std::filesystem::path& p);
void WriteFile(const std::filesystem::path& p, const std::string& data);
// Runs a shell command; true on exit status 0.
bool Run(const std::string& command);
// A fresh directory below the system's temporary directory, removed with the object.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Inputs of assorted kinds, deterministic.
std::string TextInput(size_t size);
std::string BinaryInput(size_t size);
std::string RandomInput(size_t size);

}  // namespace niv::test
