#include "FuzzHarness.h"
#include "archive/Unreduce.h"

// The first byte chooses the factor, the next two the recorded size.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static niv::TUnreducer unreducer;
  unsigned factor = data[0] % 4 + 1;
  uint64_t limit = (data[1] | data[2] << 8) * 4u;
  niv::fuzz::Decode(data + 3, size - 3, limit, [&](niv::TBitReader& in, niv::TWindow& out) {
    unreducer.Run(in, out, factor, limit);
  });
  return 0;
}
