#pragma once
// Unshrinking (method 1): LZW with codes of 9 to 13 bits, code 256 followed by 1 widening the
// codes and by 2 freeing the leaves of the dictionary.
#include "archive/DecoderIO.h"

namespace niv {

class TUnshrinker {
 public:
  TDecodeResult Run(TBitReader& in, TWindow& out);

 private:
  static constexpr unsigned kCodes = 8192;
  void PartialClear();

  // A freed code keeps its parent and value until it is given out again, so that a string that
  // ends in it still decodes.
  int16_t parent_[kCodes];
  bool free_[kCodes];
  uint8_t value_[kCodes];
  uint8_t stack_[kCodes];
  unsigned freeCode_ = 257;
};

}  // namespace niv
