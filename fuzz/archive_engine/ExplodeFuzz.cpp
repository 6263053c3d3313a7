#include "FuzzHarness.h"
#include "archive/Explode.h"

// The first byte chooses the window and trees, the next two the recorded size.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static niv::TExploder exploder;
  uint16_t flags = static_cast<uint16_t>(data[0] & 6);
  uint64_t limit = (data[1] | data[2] << 8) * 4u;
  niv::fuzz::Decode(data + 3, size - 3, limit, [&](niv::TBitReader& in, niv::TWindow& out) {
    exploder.Run(in, out, flags, limit);
  });
  return 0;
}
