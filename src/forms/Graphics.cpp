#include "forms/Graphics.h"

#include <cstring>

#include "platform/Resources.h"
#include "platform/Stream.h"

namespace forms {

namespace {
uint32_t Le32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
uint16_t Le16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                               static_cast<unsigned char>(b[at + 1]) << 8);
}
}  // namespace

bool ReadBmpSize(std::string_view bytes, int& width, int& height) {
  // "BM", file size, reserved, offset of the bits; then the info header (its size first).
  if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  uint32_t headerSize = Le32(bytes, 14);
  if (headerSize == 12) {  // the old core header: 16-bit sizes
    width = Le16(bytes, 18);
    height = Le16(bytes, 20);
  } else if (headerSize >= 40 && bytes.size() >= 14 + 40) {
    int32_t w = static_cast<int32_t>(Le32(bytes, 18));
    int32_t h = static_cast<int32_t>(Le32(bytes, 22));
    width = w;
    height = h < 0 ? -h : h;  // a negative height is a top-down bitmap
  } else {
    return false;
  }
  uint32_t offset = Le32(bytes, 10);
  return width > 0 && height > 0 && offset <= bytes.size();
}

void TBitmap::LoadFromBytes(std::string bytes) {
  int w = 0;
  int h = 0;
  if (!ReadBmpSize(bytes, w, h)) throw EInvalidGraphic("Bitmap image is not valid");
  width_ = w;
  height_ = h;
  bytes_ = std::move(bytes);
}

void TBitmap::LoadFromFile(std::string_view fileName) {
  plat::TFileStream file(fileName, plat::fmOpenRead | plat::fmShareDenyWrite);
  int64_t size = file.Size();
  if (size > (64 << 20)) throw EInvalidGraphic("Bitmap image is not valid");
  std::string bytes(static_cast<size_t>(size), '\0');
  if (size > 0) file.ReadBuffer(bytes.data(), static_cast<int32_t>(size));
  LoadFromBytes(std::move(bytes));
}

void TBitmap::LoadFromResourceName(std::string_view name) {
  auto data = plat::FindResourceData("BITMAP", name);
  if (!data) throw EInvalidGraphic("Resource " + std::string(name) + " not found");
  LoadFromBytes(std::string(*data));
}

void TBitmap::Clear() {
  width_ = 0;
  height_ = 0;
  bytes_.clear();
}

int TImageList::Add(const TBitmap& image) {
  images_.push_back(image);
  return Count() - 1;
}

}  // namespace forms
