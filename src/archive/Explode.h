#pragma once
// Exploding (method 6): Shannon-Fano trees for lengths and distances (and literals when flag
// bit 2 is set), a 4K or 8K window (flag bit 1).
#include <cstdint>

#include "archive/DecoderIO.h"
#include "archive/HuffmanTable.h"

namespace niv {

class TExploder {
 public:
  // The data ends when size bytes have been produced.
  TDecodeResult Run(TBitReader& in, TWindow& out, uint16_t flags, uint64_t size);

 private:
  bool ReadTree(TBitReader& in, THuffmanTable& table, unsigned symbols, unsigned rootBits);

  THuffmanTable literals_, lengths_, distances_;
};

}  // namespace niv
