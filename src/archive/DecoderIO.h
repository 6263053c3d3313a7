#pragma once
// The inner operations shared by the decoders: compressed bytes arrive in refills from a source,
// bits are taken least significant first, decoded bytes collect in a window that keeps the
// history for back references and hands full pieces of 16000 bytes to a sink.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace niv {

constexpr size_t kPieceSize = 16000;

// Gives the member's compressed bytes, at most max at a time; 0 means the input is used up.
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  virtual size_t Fill(uint8_t* dst, size_t max) = 0;
};

// Takes decoded output, one piece of at most 16000 bytes at a time.
class TPieceSink {
 public:
  virtual ~TPieceSink() = default;
  virtual void Put(const uint8_t* data, size_t count) = 0;
};

// The input buffer: up to a refill of 16000 bytes plus what was left of the previous one.
class TInputBuffer {
 public:
  static constexpr size_t kCapacity = kPieceSize + 64;
  explicit TInputBuffer(TByteSource& source) : source_(source) {}

  const uint8_t* next = buffer_;
  const uint8_t* end = buffer_;

  // Moves the unread rest to the front and appends the next refill; false when none came.
  bool Refill() {
    size_t rest = static_cast<size_t>(end - next);
    if (ended_ || rest > kCapacity - kPieceSize) return false;
    std::memmove(buffer_, next, rest);
    size_t got = source_.Fill(buffer_ + rest, kPieceSize);
    next = buffer_;
    end = buffer_ + rest + got;
    ended_ = got == 0;
    return got != 0;
  }
  size_t Available() const { return static_cast<size_t>(end - next); }

 private:
  TByteSource& source_;
  bool ended_ = false;
  uint8_t buffer_[kCapacity];
};

// A 64-bit bit buffer over the input. Past the end of the input it supplies zero bits and counts
// them, so a decoder asks Overrun() after each symbol instead of testing every read. Bits above
// the count are either zero or the bits of the bytes still unread, so a fast path may load eight
// bytes at once.
class TBitReader {
 public:
  explicit TBitReader(TInputBuffer& in) : in(in) {}

  TInputBuffer& in;
  uint64_t bits = 0;
  unsigned count = 0;
  unsigned padding = 0;  // zero bits appended past the end of the input

  void Fill(unsigned n) {  // n <= 32
    while (count < n) {
      if (in.next == in.end && !in.Refill()) {
        padding += 8;
      } else {
        bits |= static_cast<uint64_t>(*in.next++) << count;
      }
      count += 8;
    }
  }
  uint32_t Peek(unsigned n) const { return static_cast<uint32_t>(bits & ((uint64_t{1} << n) - 1)); }
  void Drop(unsigned n) {
    bits >>= n;
    count -= n;
  }
  uint32_t Get(unsigned n) {
    Fill(n);
    uint32_t v = Peek(n);
    Drop(n);
    return v;
  }
  // Bits beyond the end of the input have been consumed.
  bool Overrun() const { return count < padding; }
  // Drops the bits up to the next byte boundary.
  void AlignToByte() { Drop(count & 7); }
};

// The output window. Output starts after 32768 zero bytes, so references before the start of the
// data read zeros (as old imploders expect); Inflate checks distances against OutputSize().
class TWindow {
 public:
  static constexpr size_t kHistory = 32768;
  static constexpr size_t kSlack = 320;  // room for one match and a rounded-up copy
  static constexpr size_t kSpan = 8 * kPieceSize;
  static constexpr size_t kCapacity = kHistory + kSpan + kSlack;

  TWindow() : storage_(kCapacity) {}

  uint8_t* out = nullptr;

  void Start(TPieceSink& sink) {
    sink_ = &sink;
    std::memset(storage_.data(), 0, kHistory);
    out = flushed_ = storage_.data() + kHistory;
    baseIndex_ = -static_cast<int64_t>(kHistory);
  }
  // Where writing must stop for MakeRoom to be called.
  uint8_t* Limit() { return storage_.data() + kHistory + kSpan; }
  // Makes room for at least kSlack bytes at out.
  void MakeRoom() {
    if (out >= Limit()) Slide();
  }
  void Put(uint8_t byte) {
    MakeRoom();
    *out++ = byte;
  }
  // Bytes decoded so far for this member.
  // The earliest byte a back reference may reach: this member's first byte, or the history.
  const uint8_t* Earliest() const {
    return baseIndex_ < 0 ? storage_.data() + kHistory : storage_.data();
  }
  uint64_t OutputSize() const {
    return static_cast<uint64_t>(baseIndex_ + (out - storage_.data()));
  }
  // Hands out every full piece and then the rest.
  void Finish() {
    FlushPieces();
    if (out > flushed_) sink_->Put(flushed_, static_cast<size_t>(out - flushed_));
    flushed_ = out;
  }

 private:
  void FlushPieces() {
    while (static_cast<size_t>(out - flushed_) >= kPieceSize) {
      sink_->Put(flushed_, kPieceSize);
      flushed_ += kPieceSize;
    }
  }
  void Slide() {
    FlushPieces();
    uint8_t* base = storage_.data();
    size_t shift = static_cast<size_t>(out - base) - kHistory;
    std::memmove(base, out - kHistory, kHistory);
    out -= shift;
    flushed_ -= shift;
    baseIndex_ += static_cast<int64_t>(shift);
  }

  std::vector<uint8_t> storage_;
  TPieceSink* sink_ = nullptr;
  uint8_t* flushed_ = nullptr;
  int64_t baseIndex_ = 0;  // output index of the storage's first byte
};

enum class TDecodeResult { Done, Bad };

}  // namespace niv
