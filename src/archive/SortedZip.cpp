#include "archive/SortedZip.h"

#include "platform/Text.h"

namespace niv {

namespace {

template <typename T>
int Sign(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

int CompareByNone(const TZipHeaderInfo& a, const TZipHeaderInfo& b) {
  if (int c = Sign(a.DiskStart, b.DiskStart)) return c;
  return Sign(a.RelOffLocalHdr, b.RelOffLocalHdr);
}

int CompareByName(const TZipHeaderInfo& a, const TZipHeaderInfo& b) {
  return plat::AnsiCompareText(a.FullName(), b.FullName());
}

int CompareByFileName(const TZipHeaderInfo& a, const TZipHeaderInfo& b) {
  return plat::AnsiCompareText(a.FileName, b.FileName);
}

int CompareByDirectoryName(const TZipHeaderInfo& a, const TZipHeaderInfo& b) {
  return plat::AnsiCompareText(a.FilePath, b.FilePath);
}

int CompareByDate(const TZipHeaderInfo& a, const TZipHeaderInfo& b) {
  return Sign(a.ModifDateTime, b.ModifDateTime);
}

int CompareByCompressedSize(const TZipHeaderInfo& a, const TZipHeaderInfo& b) {
  return Sign(a.CompressedSize, b.CompressedSize);
}

int CompareByUnCompressedSize(const TZipHeaderInfo& a, const TZipHeaderInfo& b) {
  return Sign(a.UncompressedSize, b.UncompressedSize);
}

// The share of the size saved, in percent.
int CompressionRate(const TZipHeaderInfo& e) {
  if (e.UncompressedSize == 0) return 0;
  return static_cast<int>(100 - static_cast<int64_t>(e.CompressedSize) * 100 /
                                    static_cast<int64_t>(e.UncompressedSize));
}

int CompareByRate(const TZipHeaderInfo& a, const TZipHeaderInfo& b) {
  return Sign(CompressionRate(a), CompressionRate(b));
}

}  // namespace

TZipCompare CompareFor(TZipSortMode mode) {
  switch (mode) {
    case ByName:
      return CompareByName;
    case ByFileName:
      return CompareByFileName;
    case ByDirectoryName:
      return CompareByDirectoryName;
    case ByDate:
      return CompareByDate;
    case ByCompressedSize:
      return CompareByCompressedSize;
    case ByUnCompressedSize:
      return CompareByUnCompressedSize;
    case ByRate:
      return CompareByRate;
    case ByNone:
      break;
  }
  return CompareByNone;
}

int NextListCapacity(int capacity) {
  int delta = capacity <= 4 ? 4 : (capacity <= 8 ? 8 : 16);
  int next = capacity + delta;
  if (next >= kListCapacityLimit)
    throw plat::EListError("List index out of bounds (" + std::to_string(next) + ")");
  return next;
}

void RaiseIndexOutOfRange(int index) {
  throw plat::EListError("Index " + std::to_string(index) + " is out of range");
}

}  // namespace niv
