#include "archive/Unshrink.h"

namespace niv {
namespace {

constexpr int16_t kRoot = -1;  // the 256 single-byte codes
constexpr unsigned kControl = 256;

}  // namespace

void TUnshrinker::PartialClear() {
  bool hasChild[kCodes] = {};
  for (unsigned c = kControl + 1; c < kCodes; ++c)
    if (!free_[c] && parent_[c] > static_cast<int16_t>(kControl)) hasChild[parent_[c]] = true;
  for (unsigned c = kControl + 1; c < kCodes; ++c)
    if (!hasChild[c]) free_[c] = true;
  freeCode_ = kControl + 1;
  while (freeCode_ < kCodes && !free_[freeCode_]) ++freeCode_;
}

TDecodeResult TUnshrinker::Run(TBitReader& in, TWindow& out) {
  for (unsigned c = 0; c < kCodes; ++c) {
    parent_[c] = kRoot;
    free_[c] = c > kControl;
    value_[c] = static_cast<uint8_t>(c);
  }
  freeCode_ = kControl + 1;
  unsigned codeBits = 9;

  unsigned previous = in.Get(codeBits);
  if (in.Overrun()) return TDecodeResult::Done;  // no data at all
  if (previous >= 256) return TDecodeResult::Bad;
  out.Put(static_cast<uint8_t>(previous));
  uint8_t firstByte = static_cast<uint8_t>(previous);

  for (;;) {
    unsigned code = in.Get(codeBits);
    if (in.Overrun()) return TDecodeResult::Done;  // the input ends between codes
    if (code == kControl) {
      unsigned sub = in.Get(codeBits);
      if (in.Overrun()) return TDecodeResult::Done;
      if (sub == 1) {
        if (++codeBits > 13) return TDecodeResult::Bad;
      } else if (sub == 2) {
        PartialClear();
      } else {
        return TDecodeResult::Bad;
      }
      continue;
    }
    // The string of the code, gathered backwards; a code not yet defined stands for the previous
    // string followed by its own first byte.
    unsigned depth = 0;
    unsigned walk = code;
    if (free_[code]) {
      stack_[depth++] = firstByte;
      walk = previous;
    }
    while (parent_[walk] != kRoot) {
      if (depth >= kCodes - 1) return TDecodeResult::Bad;  // a cycle
      stack_[depth++] = value_[walk];
      walk = static_cast<unsigned>(parent_[walk]);
    }
    stack_[depth++] = value_[walk];
    firstByte = value_[walk];

    if (freeCode_ < kCodes) {
      parent_[freeCode_] = static_cast<int16_t>(previous);
      value_[freeCode_] = firstByte;
      free_[freeCode_] = false;
      while (++freeCode_ < kCodes && !free_[freeCode_]) {
      }
    }
    while (depth) out.Put(stack_[--depth]);
    previous = code;
  }
}

}  // namespace niv
