#pragma once
// One entry of an archive's directory and the end-of-central-directory record, with the byte
// layouts they are read from.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace niv {

// Days since 1899-12-30 with the time of day as the fraction, in the machine's local time.
using TDateTime = double;

constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr uint32_t kEndCentralSignature = 0x06054B50;
constexpr int kLocalHeaderSize = 30;
constexpr int kCentralHeaderSize = 46;
constexpr int kEndCentralSize = 22;

class TZipHeaderInfo {
 public:
  uint16_t VersionMadeBy = 20;
  uint16_t VersionNeeded = 20;
  uint16_t Flag = 0;  // bit 0: encrypted; bit 3: sizes and CRC follow the data
  uint16_t ComprMethod = 8;
  uint32_t ModifDateTime = 0;  // DOS format, date in the high half
  uint32_t CRC32 = 0xFFFFFFFF;
  uint32_t CompressedSize = 0;
  uint32_t UncompressedSize = 0;
  uint16_t FileNameLength = 0;  // length of FilePath + FileName
  uint16_t ExtraFieldLength = 0;
  uint16_t FileCommentLength = 0;
  uint16_t DiskStart = 0;
  uint16_t InternalAttributes = 1;
  uint32_t ExternalAttributes = 32;
  uint32_t RelOffLocalHdr = 0;
  uint32_t CentralOffset = 0;
  std::string FileName;                    // the name part of the stored name
  std::string FilePath;                    // the path part, ending in '\' (empty at the root)
  std::optional<std::string> FileComment;  // loaded on demand
  bool Selected = false;

  void Assign(const TZipHeaderInfo& source) { *this = source; }
  void AssignTo(TZipHeaderInfo& dest) const { dest = *this; }

  bool Encrypted() const { return (Flag & 1) != 0; }
  bool HasDataDescriptor() const { return (Flag & 8) != 0; }
  std::string FullName() const { return FilePath + FileName; }

  // Fields of a 46-byte central header (the signature already checked); names not included.
  void ReadCentralFields(const uint8_t* header);
  // Fields of a 30-byte local header; the central-only fields take their local defaults.
  void ReadLocalFields(const uint8_t* header);
  // Sets FilePath, FileName and FileNameLength from a name as stored in the archive.
  void SetStoredName(std::string_view storedName);
};

class TEndCentral {
 public:
  uint32_t Signature = kEndCentralSignature;
  uint16_t ThisDiskNumber = 0;
  uint16_t CentralStartDisk = 0;
  uint16_t EntriesThisDisk = 0;
  uint16_t TotalEntries = 0;
  uint32_t CentralSize = 0;
  uint32_t CentralOffset = 0;
  uint16_t CommentLength = 0;
  std::string Comment;
  int64_t CommentPosition = 0;  // file size minus comment length
  bool CommentChanged = false;

  void Assign(const TEndCentral& source) { *this = source; }
  void AssignTo(TEndCentral& dest) const { dest = *this; }
  void ReadFields(const uint8_t* record);  // the 22 bytes of the record
};

// Little-endian field readers.
inline uint16_t GetU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Converts a name as stored in an archive ('/' separators, OEM code page) to the program's form.
std::string ConvertStoredName(std::string_view storedName);
// Brings impossible fields of a DOS date and time into range; a valid value stays bit for bit.
uint32_t CorrectDosDateTime(uint32_t dosDateTime);
// The date-time value of a DOS date and time, or nothing when it names no real moment.
std::optional<TDateTime> DosDateTimeToDateTime(uint32_t dosDateTime);
TDateTime NowDateTime();

}  // namespace niv
