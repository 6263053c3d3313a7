// Where the scripted agent keeps its place in the script, shared with the program's child
// processes (the uninstaller runs the setup program, which goes on with the same script).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "forms/internal/Agents.h"

namespace forms::internal {

namespace {
// A host variable without the machine's prefix: children of the machine inherit it as it is.
constexpr const char* kCursorVariable = "NIV_SCRIPT_CURSOR";

std::string& OwnedFile() {
  static std::string* file = new std::string;
  return *file;
}
void RemoveOwnedFile() {
  if (!OwnedFile().empty()) std::remove(OwnedFile().c_str());
}
}  // namespace

void RemoveScriptCursor() {
  RemoveOwnedFile();
}

std::string ScriptCursorFile(bool& owner) {
  if (const char* inherited = std::getenv(kCursorVariable); inherited && *inherited) {
    owner = false;
    return inherited;
  }
  owner = true;
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  if (ec) dir = "/tmp";
  std::string path =
      (dir / ("niv-script-" + std::to_string(getpid()) + "-" + std::to_string(stamp) + ".cursor"))
          .string();
  std::ofstream(path) << 0 << "\n";
  setenv(kCursorVariable, path.c_str(), 1);
  OwnedFile() = path;
  std::atexit(RemoveOwnedFile);
  return path;
}

}  // namespace forms::internal
