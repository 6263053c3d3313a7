#include "archive/Decompressor.h"

#include <algorithm>
#include <new>

#include "archive/Crc32.h"
#include "archive/DecoderIO.h"
#include "archive/Explode.h"
#include "archive/Inflate.h"
#include "archive/Unreduce.h"
#include "archive/Unshrink.h"
#include "forms/MessageBox.h"
#include "platform/Stream.h"
#include "platform/Text.h"

namespace niv {

struct TDecompressor::Buffers {
  TWindow window;
  TInflater inflater;
  TExploder exploder;
  TUnshrinker unshrinker;
  TUnreducer unreducer;
  uint8_t piece[kPieceSize];
};

namespace {

int Percent(int64_t done, int64_t total) {
  if (total <= 0) return 0;
  int64_t p = (done * 100 + total / 2) / total;
  return static_cast<int>(std::min<int64_t>(p, 100));
}

void ShowBox(TDecompressHost& host, std::string_view text, std::string_view caption) {
  if (host.ShowMessage)
    host.ShowMessage(text, caption);
  else
    forms::ShowMessageBox(text, caption, forms::MB_OK);
}

// The member's compressed data: refills of up to 16000 bytes from the volume in use, with the
// cancel check, the continuation onto the next volume and decryption.
class TArchiveSource : public TByteSource {
 public:
  explicit TArchiveSource(TDecompressHost& host) : host_(host) {
    remaining_ = host.Member.CompressedSize;
    if (host.Keys) remaining_ -= std::min<uint32_t>(remaining_, kEncryptionHeaderSize);
  }

  size_t Fill(uint8_t* dst, size_t max) override {
    if (remaining_ == 0) return 0;
    CheckCancel();
    auto want = static_cast<int32_t>(std::min<uint64_t>({remaining_, max, kPieceSize}));
    int32_t got = host_.ArchiveStream().Read(dst, want);
    while (got < want) {
      if (!NextVolume()) throw EFatalUnzipError("Premature end of file reached");
      got += std::max(0, host_.ArchiveStream().Read(dst + got, want - got));
    }
    remaining_ -= static_cast<uint32_t>(want);
    if (host_.Keys) host_.Keys->Decrypt(dst, static_cast<size_t>(want));
    return static_cast<size_t>(want);
  }

 private:
  void CheckCancel() {
    if (!host_.DoProcessMessages) return;
    if (host_.ProcessMessages) host_.ProcessMessages();
    if (host_.CancelFlag && host_.CancelFlag->exchange(false))
      throw EUserCanceled(plat::A("Операция прервана пользователем."));
  }
  bool NextVolume() {
    if (!host_.FetchVolume || !host_.VolumeInUse) return false;
    int next = host_.VolumeInUse() + 1;  // 0-based index of the next volume
    if (next >= host_.VolumeCount) return false;
    host_.FetchVolume(next + 1);
    return true;
  }

  TDecompressHost& host_;
  uint32_t remaining_;
};

// The destination: the size guard, the write, the running CRC and the percent events.
class TDestinationSink : public TPieceSink {
 public:
  TDestinationSink(TDecompressHost& host, plat::TStream& dest) : host_(host), dest_(dest) {}

  void Put(const uint8_t* data, size_t count) override {
    auto n = static_cast<int64_t>(count);
    if (host_.BytesWritten + n > static_cast<int64_t>(host_.Member.UncompressedSize))
      throw EBiggerThanUncompressed("File is larger than uncompressed size!");
    dest_.WriteBuffer(data, static_cast<int32_t>(count));
    host_.RunningCrc = UpdateCrc32(host_.RunningCrc, data, count);
    host_.BytesWritten += n;
    if (host_.TotalWritten) *host_.TotalWritten += n;
    if (host_.OnFilePercentDone)
      host_.OnFilePercentDone(Percent(host_.BytesWritten, host_.Member.UncompressedSize));
    if (host_.OnTotalPercentDone)
      host_.OnTotalPercentDone(
          Percent(host_.TotalWritten ? *host_.TotalWritten : host_.BytesWritten, host_.TotalBytes));
  }

 private:
  TDecompressHost& host_;
  plat::TStream& dest_;
};

}  // namespace

TDecompressor::TDecompressor() : buffers_(std::make_unique<Buffers>()) {}
TDecompressor::~TDecompressor() = default;

bool TDecompressor::Decompress(TDecompressHost& host, plat::TStream& dest) {
  host.RunningCrc = kCrcStart;
  host.BytesWritten = 0;
  TArchiveSource source(host);
  TDestinationSink sink(host, dest);
  const uint16_t method = host.Member.CompressionMethod;

  if (method == 0) {
    while (size_t n = source.Fill(buffers_->piece, kPieceSize)) sink.Put(buffers_->piece, n);
    return true;
  }
  if (method == 7 || method > 8) {
    ShowBox(host, "Unknown Compression Method", "Zip Error");
    return false;
  }

  TInputBuffer input(source);
  TBitReader bits(input);
  TWindow& window = buffers_->window;
  window.Start(sink);
  const uint64_t size = host.Member.UncompressedSize;
  TDecodeResult result;
  try {
    switch (method) {
      case 1:
        result = buffers_->unshrinker.Run(bits, window);
        break;
      case 6:
        result = buffers_->exploder.Run(bits, window, host.Member.Flags, size);
        break;
      case 8:
        result = buffers_->inflater.Run(bits, window);
        break;
      default:  // 2 to 5
        result = buffers_->unreducer.Run(bits, window, method - 1u, size);
        break;
    }
  } catch (const std::bad_alloc&) {
    window.Finish();
    ShowBox(host, "*** inflate out of memory ***", "Error");
    return false;
  }
  window.Finish();
  return result == TDecodeResult::Done;
}

}  // namespace niv
