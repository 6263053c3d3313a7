#include "platform/sim/ProcessState.h"

#include <cstdlib>
#include <mutex>
#include <optional>

#include "platform/Paths.h"

namespace plat::sim {
namespace {

std::mutex& StateMutex() {
  static std::mutex m;
  return m;
}
std::optional<std::string>& Stored() {
  static std::optional<std::string> dir;
  return dir;
}

// The initial directory must itself be absolute: anything else falls back to the root of C:.
std::string InitialDirectory() {
  const char* env = std::getenv("NIVSIM_CWD");
  std::string dir = env ? env : "";
  for (char& c : dir)
    if (c == '/') c = '\\';
  bool absolute = (dir.size() >= 3 && dir[1] == ':' && dir[2] == '\\') || IsUncPath(dir);
  if (!absolute) return "C:\\";
  return dir;
}

}  // namespace

std::string CurrentDirectory() {
  std::unique_lock<std::mutex> lock(StateMutex());
  if (Stored()) return *Stored();
  lock.unlock();
  // ExpandFileName of an absolute path does not consult the current directory.
  std::string expanded = ExcludeTrailingBackslash(ExpandFileName(InitialDirectory()));
  if (expanded.size() == 2 && expanded[1] == ':') expanded += '\\';
  lock.lock();
  if (!Stored()) Stored() = expanded;
  return *Stored();
}

void StoreCurrentDirectory(const std::string& expandedPath) {
  std::lock_guard<std::mutex> lock(StateMutex());
  Stored() = expandedPath;
}

void ResetProcessState() {
  std::lock_guard<std::mutex> lock(StateMutex());
  Stored().reset();
}

}  // namespace plat::sim
