#pragma once
// The decompression engine as the archive reader drives it. The reader owns all state named in
// TDecompressHost and fills it per member; the engine reads the member's compressed data from the
// archive stream in refills of 16000 bytes (continuing onto the next volume of a set), decrypts
// it, decodes it by the member's method and writes the result to the destination in pieces of
// 16000 bytes, keeping the running CRC-32 and raising the percent events.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "archive/Decrypt.h"
#include "archive/ZipErrors.h"

namespace plat {
class TStream;
}

namespace niv {

// The fields of the member's working record that the engine uses.
struct TZipMemberInfo {
  uint16_t Flags = 0;  // bit 0 encrypted; method 6: bit 1 8K window, bit 2 three trees
  uint16_t CompressionMethod = 0;
  uint32_t ModTime = 0;  // DOS time (low half) and date
  uint32_t CRC32 = 0;
  uint32_t CompressedSize = 0;  // as recorded: includes the encryption header
  uint32_t UncompressedSize = 0;
};

struct TDecompressHost {
  TZipMemberInfo Member;

  // The archive stream of the volume in use, placed on the member's data; for an encrypted
  // member just after the 12-byte encryption header (checked by the reader), so that the engine
  // reads CompressedSize - 12 bytes.
  std::function<plat::TStream&()> ArchiveStream;

  // Multi-volume sets. When the data ends early and FetchVolume is set, volume
  // VolumeInUse() + 2 (volumes are numbered from 1) is fetched while it is below VolumeCount + 1;
  // ArchiveStream() then gives the new volume, read from where it stands. FetchVolume raises
  // EUserCanceled when the volume is refused. Unset FetchVolume: a single-volume archive.
  std::function<void(int volume)> FetchVolume;
  std::function<int()> VolumeInUse;  // 0-based
  int VolumeCount = 1;

  // Tested at every input refill while DoProcessMessages is set, after ProcessMessages has let
  // pending user-interface messages through; a set flag is cleared and EUserCanceled raised.
  std::atomic<bool>* CancelFlag = nullptr;
  bool DoProcessMessages = true;
  std::function<void()> ProcessMessages;

  // Keys after the encryption header has been checked; empty for a plain member.
  std::optional<TZipKeys> Keys;

  // Raised after each piece written: percent of the member, percent of the whole extraction.
  std::function<void(int percent)> OnFilePercentDone;
  std::function<void(int percent)> OnTotalPercentDone;
  int64_t TotalBytes = 0;           // the total of OnStartUnZipInfo
  int64_t* TotalWritten = nullptr;  // bytes written over the whole extraction; advanced here

  // Message boxes of the engine (OK button); unset: forms::ShowMessageBox with MB_OK.
  std::function<void(std::string_view text, std::string_view caption)> ShowMessage;

  // Out: the running CRC-32 of what was written (set to 0xFFFFFFFF at the member's start, not
  // complemented) and the bytes written of this member. Valid also after an exception.
  uint32_t RunningCrc = 0xFFFFFFFF;
  int64_t BytesWritten = 0;
};

// One per extraction: allocates the window and the buffers once and reuses them for every member.
class TDecompressor {
 public:
  TDecompressor();
  ~TDecompressor();
  TDecompressor(const TDecompressor&) = delete;
  TDecompressor& operator=(const TDecompressor&) = delete;

  // Decompresses the current member into dest. Returns when the member has been processed: also
  // after an unsupported method (box "Unknown Compression Method", caption "Zip Error") and after
  // undecodable data, so that the CRC comparison decides. Raises EBiggerThanUncompressed (the
  // reader treats the member as processed), EFatalUnzipError "Premature end of file reached",
  // EUserCanceled, and the streams' errors. Gives true when the data was decoded to its end.
  bool Decompress(TDecompressHost& host, plat::TStream& dest);

  struct Buffers;

 private:
  std::unique_ptr<Buffers> buffers_;
};

}  // namespace niv
