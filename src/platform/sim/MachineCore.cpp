// The machine a process belongs to, and the folders and machine.ini of a fresh machine.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/sim/Machine.h"
#include "platform/sim/MachineConfig.h"
#include "platform/sim/PathMap.h"
#include "platform/sim/ProcessState.h"

namespace plat::sim {
namespace {

std::mutex& ChoiceMutex() {
  static std::mutex m;
  return m;
}
std::string& ChosenDir() {
  static std::string dir;
  return dir;
}

void MakeDir(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
    throw Exception("Cannot create the folder " + path + ": " + std::strerror(errno));
}

// "C:\WINDOWS\SYSTEM32" -> <machine>/drives/C/WINDOWS/SYSTEM32, folder by folder.
void MakeWindowsDir(const std::string& hostDir, const std::string& windowsPath) {
  std::string host = hostDir + "/drives/" + std::string(1, windowsPath[0]);
  size_t pos = 3;
  while (pos < windowsPath.size()) {
    size_t next = windowsPath.find('\\', pos);
    if (next == std::string::npos) next = windowsPath.size();
    host += "/" + windowsPath.substr(pos, next - pos);
    MakeDir(host);
    pos = next + 1;
  }
}

std::string AbsoluteHostDir(const std::string& dir) {
  if (!dir.empty() && dir[0] == '/') return dir;
  char buf[4096];
  if (!::getcwd(buf, sizeof buf)) throw Exception("Cannot read the current folder");
  return std::string(buf) + "/" + dir;
}

}  // namespace

void CreateMachineLayout(const std::string& hostDir, const MachineOptions& options) {
  MachineConfig config = DefaultMachineConfig(options);
  MakeDir(hostDir);
  if (::access((hostDir + "/machine.ini").c_str(), F_OK) == 0)
    throw Exception("A machine already exists in " + hostDir);
  MakeDir(hostDir + "/drives");
  for (const MachineDrive& d : config.drives)
    if (d.hostDir.empty() && d.type != DRIVE_NO_ROOT_DIR)
      MakeDir(hostDir + "/drives/" + std::string(1, d.letter));
  MakeWindowsDir(hostDir, config.windowsDir);
  MakeWindowsDir(hostDir, config.systemDir);
  MakeWindowsDir(hostDir, config.tempDir);
  SaveMachineConfig(hostDir, config);
}

void UseMachine(const std::string& hostDir) {
  {
    std::lock_guard<std::mutex> lock(ChoiceMutex());
    ChosenDir() = hostDir.empty() ? "" : AbsoluteHostDir(hostDir);
    if (!hostDir.empty()) ::setenv("NIVSIM_MACHINE", ChosenDir().c_str(), 1);
  }
  ResetProcessState();
}

std::string CurrentMachineDir() {
  {
    std::lock_guard<std::mutex> lock(ChoiceMutex());
    if (!ChosenDir().empty()) return ChosenDir();
  }
  const char* env = std::getenv("NIVSIM_MACHINE");
  return env ? env : "";
}

std::string HostPathOf(const std::string& windowsPath) {
  ResolvedPath r = ResolvePath(windowsPath);
  return r.error ? "" : r.host;
}

}  // namespace plat::sim
