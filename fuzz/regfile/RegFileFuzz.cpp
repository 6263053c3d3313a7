// Registry editor files from anywhere: reading never crashes, and what is read is written out
// so that it reads back the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Exceptions.h"
#include "platform/sim/RegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace plat::sim;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  RegTree tree;
  try {
    ApplyRegFile(ParseRegFile(bytes, "fuzz.reg"), tree);
  } catch (const plat::ERegistryException&) {
    return 0;
  }
  const std::string text = FormatRegTree(tree, "\r\n");
  RegTree back;
  ApplyRegFile(ParseRegFile("\xFF\xFE" + Utf8ToUtf16Le(text), "again.reg"), back);
  if (FormatRegTree(back, "\r\n") != text) std::abort();
  return 0;
}
