#pragma once
// Unreducing (methods 2 to 5, compression factors 1 to 4): bytes come through follower sets
// (probable successors of the previous byte), then runs are expanded from a 4K window.
#include <cstdint>

#include "archive/DecoderIO.h"

namespace niv {

class TUnreducer {
 public:
  // factor 1..4; the data ends when size bytes have been produced.
  TDecodeResult Run(TBitReader& in, TWindow& out, unsigned factor, uint64_t size);

 private:
  bool ReadFollowerSets(TBitReader& in);

  uint8_t followers_[256][64];
  uint8_t count_[256];
};

}  // namespace niv
