#pragma once
// Runs a decoder over fuzz input: the input arrives in refills of up to 16000 bytes and the output
// is checked piece by piece for its size.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "archive/DecoderIO.h"

namespace niv::fuzz {

class TMemorySource : public TByteSource {
 public:
  TMemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t Fill(uint8_t* dst, size_t max) override {
    size_t n = size_ < max ? size_ : max;
    if (n) std::memcpy(dst, data_, n);
    data_ += n;
    size_ -= n;
    return n;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

class TCountingSink : public TPieceSink {
 public:
  uint64_t total = 0;
  void Put(const uint8_t* data, size_t count) override {
    if (count == 0 || count > kPieceSize) std::abort();
    volatile uint8_t touch = data[0] ^ data[count - 1];  // the piece is readable
    (void)touch;
    total += count;
  }
};

// Decodes with run(bits, window) and checks that a bounded output was not exceeded.
template <typename Run>
void Decode(const uint8_t* data, size_t size, uint64_t limit, Run run) {
  static TWindow window;
  TMemorySource source(data, size);
  TInputBuffer input(source);
  TBitReader bits(input);
  TCountingSink sink;
  window.Start(sink);
  run(bits, window);
  window.Finish();
  if (limit && sink.total > limit) std::abort();
}

}  // namespace niv::fuzz
