#include "archive/ZipHeaderInfo.h"

#include "platform/System.h"
#include "platform/Text.h"

namespace niv {

void TZipHeaderInfo::ReadCentralFields(const uint8_t* h) {
  VersionMadeBy = GetU16(h + 4);
  VersionNeeded = GetU16(h + 6);
  Flag = GetU16(h + 8);
  ComprMethod = GetU16(h + 10);
  ModifDateTime = CorrectDosDateTime(GetU32(h + 12));
  CRC32 = GetU32(h + 16);
  CompressedSize = GetU32(h + 20);
  UncompressedSize = GetU32(h + 24);
  FileNameLength = GetU16(h + 28);
  ExtraFieldLength = GetU16(h + 30);
  FileCommentLength = GetU16(h + 32);
  DiskStart = GetU16(h + 34);
  InternalAttributes = GetU16(h + 36);
  ExternalAttributes = GetU32(h + 38);
  RelOffLocalHdr = GetU32(h + 42);
}

void TZipHeaderInfo::ReadLocalFields(const uint8_t* h) {
  VersionMadeBy = 0;
  VersionNeeded = GetU16(h + 4);
  Flag = GetU16(h + 6);
  ComprMethod = GetU16(h + 8);
  ModifDateTime = CorrectDosDateTime(GetU32(h + 10));
  CRC32 = GetU32(h + 14);
  CompressedSize = GetU32(h + 18);
  UncompressedSize = GetU32(h + 22);
  FileNameLength = GetU16(h + 26);
  ExtraFieldLength = GetU16(h + 28);
  FileCommentLength = 0;
  DiskStart = 0;
  InternalAttributes = 0;
  ExternalAttributes = 0;
}

void TZipHeaderInfo::SetStoredName(std::string_view storedName) {
  std::string name = ConvertStoredName(storedName);
  size_t split = name.find_last_of("\\:");
  if (split == std::string::npos) {
    FilePath.clear();
    FileName = name;
  } else {
    FilePath = name.substr(0, split + 1);
    FileName = name.substr(split + 1);
    if (FilePath.back() != '\\') FilePath += '\\';
  }
  FileNameLength = static_cast<uint16_t>(FilePath.size() + FileName.size());
}

void TEndCentral::ReadFields(const uint8_t* r) {
  Signature = GetU32(r);
  ThisDiskNumber = GetU16(r + 4);
  CentralStartDisk = GetU16(r + 6);
  EntriesThisDisk = GetU16(r + 8);
  TotalEntries = GetU16(r + 10);
  CentralSize = GetU32(r + 12);
  CentralOffset = GetU32(r + 16);
  CommentLength = GetU16(r + 20);
}

std::string ConvertStoredName(std::string_view storedName) {
  std::string name(storedName);
  for (char& c : name)
    if (c == '/') c = '\\';
  return plat::OemToAnsi(name);
}

uint32_t CorrectDosDateTime(uint32_t dosDateTime) {
  uint32_t seconds2 = dosDateTime & 0x1F;
  uint32_t minute = (dosDateTime >> 5) & 0x3F;
  uint32_t hour = (dosDateTime >> 11) & 0x1F;
  uint32_t day = (dosDateTime >> 16) & 0x1F;
  uint32_t month = (dosDateTime >> 21) & 0x0F;
  uint32_t year = (dosDateTime >> 25) & 0x7F;  // since 1980
  if (hour > 24) hour = 24;
  if (minute > 59) minute = 59;
  if (seconds2 * 2 > 59) seconds2 = 29;
  if (year > 2099 - 1980) year = 2099 - 1980;
  if (month < 1) month = 1;
  if (month > 12) month = 12;
  if (day < 1) day = 1;
  return seconds2 | (minute << 5) | (hour << 11) | (day << 16) | (month << 21) | (year << 25);
}

namespace {

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Days from 1899-12-30 to the given date.
int64_t DaysSinceEpoch(int year, int month, int day) {
  int64_t days = 0;
  for (int y = 1900; y < year; ++y) days += IsLeapYear(y) ? 366 : 365;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  return days + day + 1;  // 1900-01-01 is day 2
}

std::optional<TDateTime> EncodeDateTime(int year, int month, int day, int hour, int minute,
                                        int second, int ms) {
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
  if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
  double time = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + ms) / 86400000.0;
  return static_cast<double>(DaysSinceEpoch(year, month, day)) + time;
}

}  // namespace

std::optional<TDateTime> DosDateTimeToDateTime(uint32_t dos) {
  return EncodeDateTime(1980 + static_cast<int>((dos >> 25) & 0x7F),
                        static_cast<int>((dos >> 21) & 0x0F), static_cast<int>((dos >> 16) & 0x1F),
                        static_cast<int>((dos >> 11) & 0x1F), static_cast<int>((dos >> 5) & 0x3F),
                        static_cast<int>(dos & 0x1F) * 2, 0);
}

TDateTime NowDateTime() {
  plat::TLocalTime t = plat::LocalTimeNow();
  return EncodeDateTime(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, t.Microsecond / 1000)
      .value_or(0.0);
}

}  // namespace niv
