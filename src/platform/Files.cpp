// The parts of the file services that do not touch the host: error codes and their texts, and
// the matching of search masks.
#include "platform/Files.h"

#include "platform/Text.h"

namespace plat {
namespace {

thread_local uint32_t lastError = ERROR_SUCCESS;

struct ErrorText {
  uint32_t code;
  const char* text;
};
constexpr ErrorText kErrorTexts[] = {
    {0, "The operation completed successfully."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough storage is available to process this command."},
    {15, "The system cannot find the drive specified."},
    {18, "There are no more files."},
    {19, "The media is write protected."},
    {21, "The device is not ready."},
    {32, "The process cannot access the file because it is being used by another process."},
    {33,
     "The process cannot access the file because another process has locked a portion of "
     "the file."},
    {39, "The disk is full."},
    {53, "The network path was not found."},
    {80, "The file exists."},
    {87, "The parameter is incorrect."},
    {112, "There is not enough space on the disk."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {126, "The specified module could not be found."},
    {127, "The specified procedure could not be found."},
    {145, "The directory is not empty."},
    {183, "Cannot create a file when that file already exists."},
    {206, "The filename or extension is too long."},
    {267, "The directory name is invalid."},
};

bool MatchFrom(std::string_view name, size_t n, std::string_view mask, size_t m) {
  while (m < mask.size()) {
    char c = mask[m];
    if (c == '*') {
      while (m < mask.size() && mask[m] == '*') ++m;
      if (m == mask.size()) return true;
      for (size_t k = n; k <= name.size(); ++k)
        if (MatchFrom(name, k, mask, m)) return true;
      return false;
    }
    // A trailing ".*" of the mask also matches a name that ends there ("x.*" matches "x").
    if (c == '.' && n == name.size()) {
      std::string_view tail = mask.substr(m + 1);
      if (!tail.empty() && tail.find_first_not_of('*') == std::string_view::npos) return true;
    }
    if (n == name.size()) {
      // '?' may match nothing at the end of the name.
      if (c == '?') {
        ++m;
        continue;
      }
      return false;
    }
    if (c == '?') {
      ++n;
      ++m;
      continue;
    }
    if (name[n] != c) return false;
    ++n;
    ++m;
  }
  return n == name.size();
}

}  // namespace

uint32_t LastError() {
  return lastError;
}
void SetLastError(uint32_t code) {
  lastError = code;
}

std::string SysErrorMessage(uint32_t code) {
  for (const ErrorText& e : kErrorTexts)
    if (e.code == code) return e.text;
  return "System error " + std::to_string(code) + ".";
}

bool MatchesMask(std::string_view name, std::string_view mask) {
  if (mask == "*" || mask == "*.*") return true;
  std::string n = AnsiUpperCase(name);
  std::string m = AnsiUpperCase(mask);
  // A mask ending in '.' matches names without an extension ("*." finds "README").
  if (!m.empty() && m.back() == '.') {
    if (n.find('.') != std::string::npos) return false;
    m.pop_back();
  }
  return MatchFrom(n, 0, m, 0);
}

}  // namespace plat
