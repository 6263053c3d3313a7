#include "archive/BufferStream.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "archive/StringResource.h"
#include "platform/Exceptions.h"

namespace niv {
namespace {

std::string StreamMessage(uint16_t number) {
  return TS_StringResource::Load("S_STREAM", number);
}

}  // namespace

TS_BufferStream::TS_BufferStream(plat::TStream* stream) : stream_(stream), buffer_(kBufferSize) {}

TS_BufferStream::~TS_BufferStream() {
  Release();
}

void TS_BufferStream::Release() noexcept {
  if (buffer_.empty()) return;
  if (state_ == Writing) {
    try {
      FlushBuffer();
    } catch (...) {
      // A destructor cannot report it; the data already written stays.
    }
  }
  buffer_.clear();
  buffer_.shrink_to_fit();
  state_ = Idle;
  pos_ = end_ = 0;
}

bool TS_BufferStream::FillBuffer() {
  int32_t got = stream_->Read(buffer_.data(), kBufferSize);
  end_ = std::max(got, 0);
  pos_ = 0;
  state_ = end_ > 0 ? Reading : Idle;
  if (end_ > 0) BufferFilled();
  return end_ > 0;
}

bool TS_BufferStream::FlushBuffer() {
  if (state_ != Writing) return true;
  int32_t written = pos_ > 0 ? stream_->Write(buffer_.data(), pos_) : 0;
  bool complete = written == pos_;
  if (written > 0 && written < pos_)
    std::memmove(buffer_.data(), buffer_.data() + written, static_cast<size_t>(pos_ - written));
  pos_ -= std::max(written, 0);
  end_ = pos_;
  if (pos_ == 0) state_ = Idle;
  BufferFlushed();
  return complete;
}

void TS_BufferStream::PutBack(uint8_t byte) {
  if (pos_ == 0) throw plat::EStreamError(StreamMessage(3));
  buffer_[static_cast<size_t>(--pos_)] = byte;
}

void TS_BufferStream::BufferFilled() {
  if (OnFillBuffer) OnFillBuffer(*this);
}

void TS_BufferStream::BufferFlushed() {
  if (OnFlushBuffer) OnFlushBuffer(*this);
}

int32_t TS_BufferStream::Read(void* buffer, int32_t count) {
  if (state_ == Writing && !FlushBuffer()) return 0;
  auto dst = static_cast<uint8_t*>(buffer);
  int32_t done = 0;
  while (done < count) {
    if (state_ != Reading || pos_ == end_) {
      if (!FillBuffer()) break;
    }
    int32_t n = std::min(count - done, end_ - pos_);
    std::memcpy(dst + done, buffer_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    done += n;
  }
  return done;
}

int32_t TS_BufferStream::Write(const void* buffer, int32_t count) {
  if (state_ == Reading) {
    // Give the underlying stream the logical position before writing there.
    stream_->Seek(LogicalPosition(), plat::soBeginning);
    DropBuffer();
  }
  auto src = static_cast<const uint8_t*>(buffer);
  int32_t done = 0;
  while (done < count) {
    if (pos_ == kBufferSize && !FlushBuffer()) break;
    int32_t n = std::min(count - done, kBufferSize - pos_);
    std::memcpy(buffer_.data() + pos_, src + done, static_cast<size_t>(n));
    pos_ += n;
    end_ = pos_;
    done += n;
    state_ = Writing;
  }
  return done;
}

int64_t TS_BufferStream::LogicalPosition() {
  int64_t under = stream_->Seek(0, plat::soCurrent);
  if (state_ == Reading) return under - (end_ - pos_);
  if (state_ == Writing) return under + pos_;
  return under;
}

void TS_BufferStream::DropBuffer() {
  state_ = Idle;
  pos_ = end_ = 0;
}

int64_t TS_BufferStream::Seek(int64_t offset, int origin) {
  int64_t current = LogicalPosition();
  int64_t target;
  switch (origin) {
    case plat::soBeginning:
      target = offset;
      break;
    case plat::soCurrent:
      target = current + offset;
      break;
    case plat::soEnd:
      target = std::max(stream_->Size(), current) - (offset < 0 ? -offset : offset);
      break;
    default: {
      std::string text = StreamMessage(2);
      if (auto at = text.find("%d"); at != std::string::npos)
        text.replace(at, 2, std::to_string(origin));
      throw plat::Exception(text);
    }
  }
  if (target == current) return current;
  if (state_ == Writing && !FlushBuffer()) throw plat::EStreamError(StreamMessage(1));
  DropBuffer();
  return stream_->Seek(target, plat::soBeginning);
}

int64_t TS_BufferStream::Size() {
  return std::max(stream_->Size(), LogicalPosition());
}

TLFNFileStream::TLFNFileStream(std::string_view fileName, uint16_t mode)
    : TLFNFileStream(std::make_unique<plat::TFileStream>(fileName, mode)) {}

TLFNFileStream::TLFNFileStream(std::unique_ptr<plat::TFileStream> file)
    : TS_BufferStream(file.get()), file_(std::move(file)) {}

TLFNFileStream::~TLFNFileStream() {
  Release();
}

}  // namespace niv
