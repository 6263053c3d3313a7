#pragma once
// Inflating: the deflate format of RFC 1951 (stored, fixed and dynamic blocks).
#include "archive/DecoderIO.h"
#include "archive/HuffmanTable.h"

namespace niv {

class TInflater {
 public:
  TInflater();
  // Decodes one deflate stream into the window; Bad on undecodable data or input that ends
  // first.
  TDecodeResult Run(TBitReader& in, TWindow& out);

 private:
  TDecodeResult Stored(TBitReader& in, TWindow& out);
  bool ReadDynamicTables(TBitReader& in);
  TDecodeResult Codes(TBitReader& in, TWindow& out, const THuffmanTable& lit,
                      const THuffmanTable& dist);

  THuffmanTable fixedLit_, fixedDist_;
  THuffmanTable lit_, dist_, lengths_;
};

}  // namespace niv
