#pragma once
// A stream that buffers another one in blocks of 8192 bytes, and the buffered file stream on which
// the archive reader opens archives and writes destination files. One stream is either read or
// written; the reader never mixes the two on one stream.
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/Stream.h"

namespace niv {

class TS_BufferStream : public plat::TStream {
 public:
  static constexpr int32_t kBufferSize = 8192;
  enum TState : int { Idle = 0, Reading = 1, Writing = 2 };

  // stream is not owned and must outlive this one.
  explicit TS_BufferStream(plat::TStream* stream);
  ~TS_BufferStream() override;
  TS_BufferStream(const TS_BufferStream&) = delete;
  TS_BufferStream& operator=(const TS_BufferStream&) = delete;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  // Origins 0, 1 and 2; from the end the offset counts backwards whatever its sign. Another
  // origin raises the general error "Invalid seek origin (%d)"; a flush that fails on the way
  // raises EStreamError "Seek error".
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override;

  // Reads the next block from the underlying stream; false when nothing came.
  virtual bool FillBuffer();
  // Writes out what the buffer holds; false when the underlying stream took less.
  virtual bool FlushBuffer();
  // Steps back one byte and stores byte there; EStreamError "Putback overflow" at the buffer's
  // start.
  virtual void PutBack(uint8_t byte);
  // Raised after the buffer has been filled and after it has been flushed.
  virtual void BufferFilled();
  virtual void BufferFlushed();

  std::function<void(TS_BufferStream&)> OnFillBuffer;
  std::function<void(TS_BufferStream&)> OnFlushBuffer;

  TState State() const { return state_; }

 protected:
  // Flushes a buffer being written and releases the buffer; for subclasses that free the
  // underlying stream before this destructor runs.
  void Release() noexcept;

 private:
  int64_t LogicalPosition();
  void DropBuffer();

  plat::TStream* stream_;
  std::vector<uint8_t> buffer_;
  int32_t end_ = 0;  // end of valid data in the buffer
  int32_t pos_ = 0;  // current position in the buffer
  TState state_ = Idle;
};

// A file of the machine, opened by name and mode, buffered. Raises the platform's file-open and
// file-create errors; the file is closed when the stream is freed.
class TLFNFileStream : public TS_BufferStream {
 public:
  TLFNFileStream(std::string_view fileName, uint16_t mode);
  ~TLFNFileStream() override;

  intptr_t Handle() const { return file_->Handle(); }
  plat::TFileStream& File() { return *file_; }

 private:
  TLFNFileStream(std::unique_ptr<plat::TFileStream> file);
  std::unique_ptr<plat::TFileStream> file_;
};

}  // namespace niv
