#include <memory>

#include "FuzzHarness.h"
#include "archive/Unshrink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto unshrinker = std::make_unique<niv::TUnshrinker>();
  // A code of 9 or more bits gives a string of at most 8192 bytes.
  niv::fuzz::Decode(data, size, (size * 8 / 9 + 1) * 8192,
                    [](niv::TBitReader& in, niv::TWindow& out) { unshrinker->Run(in, out); });
  return 0;
}
