#include "FuzzHarness.h"
#include "archive/Inflate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static niv::TInflater inflater;
  // Every input bit yields at most one match of 258 bytes.
  niv::fuzz::Decode(data, size, size * 8 * 258 + 258,
                    [](niv::TBitReader& in, niv::TWindow& out) { inflater.Run(in, out); });
  return 0;
}
