#include "platform/Stream.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Exceptions.h"

namespace plat {

int64_t TStream::Size() {
  int64_t pos = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(int64_t) {
  throw EStreamError("Stream size cannot be changed");
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  constexpr int32_t kChunk = 64 * 1024;
  std::vector<char> buffer(static_cast<size_t>(std::min<int64_t>(count, kChunk)) + 1);
  int64_t left = count;
  while (left > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(left, kChunk));
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || pos_ >= Size()) return 0;
  int64_t n = std::min<int64_t>(count, Size() - pos_);
  std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
  pos_ += n;
  return static_cast<int32_t>(n);
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  size_t end = static_cast<size_t>(pos_) + static_cast<size_t>(count);
  if (end > data_.size()) data_.resize(end);
  std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
  pos_ = static_cast<int64_t>(end);
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, int origin) {
  int64_t base;
  switch (origin) {
    case soBeginning:
      base = 0;
      break;
    case soCurrent:
      base = pos_;
      break;
    case soEnd:
      base = Size();
      break;
    default:
      throw EStreamError("Invalid stream seek origin " + std::to_string(origin));
  }
  int64_t pos = base + offset;
  if (pos < 0) throw EStreamError("Stream seek before the beginning");
  pos_ = pos;
  return pos_;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) throw EStreamError("Invalid stream size");
  data_.resize(static_cast<size_t>(size));
  if (pos_ > size) pos_ = size;
}

}  // namespace plat
