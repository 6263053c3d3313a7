#include "archive/Unreduce.h"

#include <algorithm>

namespace niv {
namespace {

constexpr uint8_t kRepeat = 144;  // introduces a run (or stands for itself when followed by 0)

// Bits needed for an index into a follower set of n entries.
unsigned IndexBits(unsigned n) {
  unsigned bits = 1;
  while ((1u << bits) < n) ++bits;
  return bits;
}

}  // namespace

bool TUnreducer::ReadFollowerSets(TBitReader& in) {
  for (int j = 255; j >= 0; --j) {
    unsigned n = in.Get(6);
    count_[j] = static_cast<uint8_t>(n);
    for (unsigned i = 0; i < n; ++i) followers_[j][i] = static_cast<uint8_t>(in.Get(8));
    if (in.Overrun()) return false;
  }
  return true;
}

TDecodeResult TUnreducer::Run(TBitReader& in, TWindow& out, unsigned factor, uint64_t size) {
  if (size == 0) return TDecodeResult::Done;
  if (!ReadFollowerSets(in)) return TDecodeResult::Bad;
  const unsigned lengthMask = 0x7Fu >> (factor - 1);
  const unsigned distanceShift = 8 - factor;

  enum { kPlain, kAfterRepeat, kLongLength, kDistance } state = kPlain;
  unsigned last = 0, code = 0, length = 0;
  uint64_t produced = 0;
  while (produced < size) {
    unsigned n = count_[last];
    unsigned c;
    if (n == 0 || in.Get(1)) {
      c = in.Get(8);
    } else {
      unsigned index = in.Get(IndexBits(n));
      if (index >= n) return TDecodeResult::Bad;
      c = followers_[last][index];
    }
    if (in.Overrun()) return TDecodeResult::Bad;
    last = c;

    switch (state) {
      case kPlain:
        if (c == kRepeat) {
          state = kAfterRepeat;
        } else {
          out.Put(static_cast<uint8_t>(c));
          ++produced;
        }
        break;
      case kAfterRepeat:
        if (c == 0) {
          out.Put(kRepeat);
          ++produced;
          state = kPlain;
        } else {
          code = c;
          length = c & lengthMask;
          state = length == lengthMask ? kLongLength : kDistance;
        }
        break;
      case kLongLength:
        length += c;
        state = kDistance;
        break;
      case kDistance: {
        unsigned distance = ((code >> distanceShift) << 8) + c + 1;
        uint64_t run = std::min<uint64_t>(length + 3, size - produced);
        for (uint64_t i = 0; i < run; ++i) {
          out.MakeRoom();
          *out.out = out.out[-static_cast<ptrdiff_t>(distance)];
          ++out.out;
        }
        produced += run;
        state = kPlain;
        break;
      }
    }
  }
  return TDecodeResult::Done;
}

}  // namespace niv
