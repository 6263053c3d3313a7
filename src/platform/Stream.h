#pragma once
// Streams in the shape of the window framework's stream classes.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Files.h"

namespace plat {

enum TSeekOrigin : int { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
 public:
  virtual ~TStream() = default;
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // Raises EStreamError for an origin other than the three.
  virtual int64_t Seek(int64_t offset, int origin) = 0;
  virtual int64_t Size();
  virtual void SetSize(int64_t size);  // raises EStreamError where a stream cannot
  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
  void ReadBuffer(void* buffer, int32_t count);         // EReadError "Stream read error"
  void WriteBuffer(const void* buffer, int32_t count);  // EWriteError "Stream write error"
  int64_t CopyFrom(TStream& source, int64_t count);     // count 0: the whole source
};

// Open modes and share modes of file streams (combine one of each with |).
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmCreate = 0xFF00;  // create or truncate, read-write; exclusive unless a share
                                       // mode is added
constexpr uint16_t fmCreateNew = 0xFE00;  // create a file that must not exist yet, read-write;
                                          // fails with ERROR_FILE_EXISTS when it does
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

// A file of the machine. The constructor raises EFOpenError ("Cannot open file \"NAME\". TEXT")
// or EFCreateError ("Cannot create file \"NAME\". TEXT"); the platform's error code is in
// LastError() afterwards. Share modes hold between threads and processes of the machine.
class TFileStream : public TStream {
 public:
  TFileStream(std::string_view fileName, uint16_t mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;
  bool SetModTime(FileTime time);  // the file's modification time, through the open handle
  bool GetModTime(FileTime& time);
  const std::string& FileName() const { return fileName_; }
  intptr_t Handle() const;

  struct Impl;

 private:
  std::string fileName_;
  std::unique_ptr<Impl> impl_;
};

// A stream over memory, growing as it is written.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string data) : data_(std::move(data)) {}
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t size) override;
  const std::string& Data() const { return data_; }

 private:
  std::string data_;
  int64_t pos_ = 0;
};

}  // namespace plat
