// Reads arbitrary bytes as a description. Checks that chunked reading splits lines as reading
// the whole text does, that whatever loads can be written and read again, and that a file
// without tree sections survives a second round byte for byte.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "description/IDFLineReader.h"
#include "description/IDFTextFile.h"

namespace {

std::vector<std::string> LinesInChunks(std::string_view bytes, int32_t chunk) {
  size_t pos = 0;
  niv::TIDFLineReader reader([&](char* buffer, int32_t count) {
    size_t n =
        std::min({static_cast<size_t>(count), static_cast<size_t>(chunk), bytes.size() - pos});
    std::copy_n(bytes.data() + pos, n, buffer);
    pos += n;
    return static_cast<int32_t>(n);
  });
  std::vector<std::string> lines;
  std::string line;
  while (reader.ReadLine(line)) lines.push_back(line);
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (size > 0) {
    const int32_t chunk = 1 + data[0] % 5;
    if (LinesInChunks(bytes, chunk) != LinesInChunks(bytes, 1 << 20)) std::abort();
  }

  niv::TIDFTextFile file;
  if (!file.LoadFromText(bytes)) return 0;
  const std::string written = file.SaveToText();
  niv::TIDFTextFile again;
  if (!again.LoadFromText(written)) std::abort();
  bool anyTree = false;
  for (const auto& section : file.Sections()) anyTree = anyTree || section->IsTree;
  if (!anyTree && again.SaveToText() != written) std::abort();
  for (const auto& section : again.Sections())
    for (const auto& param : section->Params()) {
      try {
        (void)param->AsInteger();
      } catch (const std::exception&) {
      }
    }
  return 0;
}
