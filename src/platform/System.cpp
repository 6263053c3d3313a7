// System services of the simulated machine: version, directories, search, command line,
// libraries, the broadcast, the restart and the shell's open.
#include "platform/System.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Record.h"
#include "platform/Text.h"
#include "platform/sim/Machine.h"
#include "platform/sim/MachineConfig.h"
#include "platform/sim/Process.h"
#include "platform/sim/Restart.h"

namespace plat::sim {
namespace {

struct Identity {
  std::mutex lock;
  bool ready = false;
  std::string program;
  std::string commandLine;
  std::vector<std::string> params;

  void Load() {
    if (ready) return;
    ready = true;
    const char* cmd = std::getenv("NIVSIM_CMDLINE");
    const char* prog = std::getenv("NIVSIM_PROGRAM");
    commandLine = cmd ? cmd : "";
    program = prog ? prog : ProgramToken(commandLine);
    params = SplitParams(commandLine);
  }
};

Identity& TheIdentity() {
  static Identity identity;
  return identity;
}

std::atomic<bool> shutdownPrivilege{false};

constexpr uint32_t ERROR_CALL_NOT_IMPLEMENTED = 120;
constexpr uint32_t ERROR_PRIVILEGE_NOT_HELD = 1314;

bool HasPathPart(std::string_view name) {
  return name.find_first_of("\\/:") != std::string::npos;
}

}  // namespace

MachineConfig CurrentMachineFacts() {
  if (CurrentMachineDir().empty()) return MachineConfig{};
  return CurrentMachine();
}

void SetProgramIdentity(const std::string& programPath, const std::string& commandLine) {
  Identity& id = TheIdentity();
  std::lock_guard<std::mutex> guard(id.lock);
  id.ready = true;
  id.program = programPath;
  id.commandLine = commandLine;
  id.params = SplitParams(commandLine);
}

}  // namespace plat::sim

namespace plat {

TOSVersionInfo GetOSVersion() {
  const sim::MachineConfig m = sim::CurrentMachineFacts();
  TOSVersionInfo info;
  info.MajorVersion = m.majorVersion;
  info.MinorVersion = m.minorVersion;
  info.BuildNumber = m.buildNumber;
  info.PlatformId = m.family9x ? VER_PLATFORM_WIN32_WINDOWS : VER_PLATFORM_WIN32_NT;
  return info;
}

std::string WindowsDirectory() {
  return sim::CurrentMachineFacts().windowsDir;
}

std::string SystemDirectory() {
  return sim::CurrentMachineFacts().systemDir;
}

// As GetTempPath: TMP, then TEMP, then (NT) USERPROFILE, then the Windows directory.
std::string TempDirectory() {
  std::vector<const char*> names{"TMP", "TEMP"};
  if (GetOSVersion().PlatformId == VER_PLATFORM_WIN32_NT) names.push_back("USERPROFILE");
  for (const char* name : names) {
    const std::string value = GetEnv(name);
    if (!value.empty()) return IncludeTrailingBackslash(value);
  }
  return IncludeTrailingBackslash(WindowsDirectory());
}

std::string SearchFile(std::string_view fileName) {
  if (fileName.empty()) return "";
  if (sim::HasPathPart(fileName)) {
    const std::string path = ExpandFileName(fileName);
    return FileExists(path) ? path : "";
  }
  const std::vector<std::string> dirs = sim::StandardSearchDirs(GetCurrentDir(), GetEnv("PATH"));
  for (const auto& dir : dirs) {
    const std::string candidate =
        ExpandFileName(IncludeTrailingBackslash(dir) + std::string(fileName));
    if (FileExists(candidate)) return candidate;
  }
  return "";
}

std::string CommandLine() {
  sim::Identity& id = sim::TheIdentity();
  std::lock_guard<std::mutex> guard(id.lock);
  id.Load();
  return id.commandLine;
}

int ParamCount() {
  sim::Identity& id = sim::TheIdentity();
  std::lock_guard<std::mutex> guard(id.lock);
  id.Load();
  return id.params.empty() ? 0 : static_cast<int>(id.params.size()) - 1;
}

std::string ParamStr(int index) {
  sim::Identity& id = sim::TheIdentity();
  std::lock_guard<std::mutex> guard(id.lock);
  id.Load();
  if (index == 0) return id.program;
  if (index < 0 || index >= static_cast<int>(id.params.size())) return "";
  return id.params[static_cast<size_t>(index)];
}

std::string ProgramPath() {
  return ParamStr(0);
}

void BroadcastSettingChange(std::string_view area) {
  AppendRecord({"broadcast", {{"message", "WM_SETTINGCHANGE"}, {"area", std::string(area)}}});
}

// The 9x family has no process tokens; on NT the privilege is held from here on.
bool EnableShutdownPrivilege() {
  if (GetOSVersion().PlatformId != VER_PLATFORM_WIN32_NT) {
    SetLastError(sim::ERROR_CALL_NOT_IMPLEMENTED);
    return false;
  }
  sim::shutdownPrivilege = true;
  return true;
}

bool ExitWindows(uint32_t flags) {
  if (sim::CurrentMachineDir().empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const bool needsPrivilege = (flags & (EWX_SHUTDOWN | EWX_REBOOT)) != 0;
  if (needsPrivilege && GetOSVersion().PlatformId == VER_PLATFORM_WIN32_NT &&
      !sim::shutdownPrivilege) {
    SetLastError(sim::ERROR_PRIVILEGE_NOT_HELD);
    return false;
  }
  const std::string action = sim::RestartActionName(flags);
  AppendRecord({"restart",
                {{"action", action},
                 {"flags", std::to_string(flags)},
                 {"force", (flags & EWX_FORCE) ? "yes" : "no"}}});
  sim::RequestRestart(sim::CurrentMachineDir(), flags);
  return true;
}

bool ShellOpen(std::string_view target) {
  AppendRecord({"shellopen", {{"verb", "open"}, {"target", std::string(target)}}});
  return true;
}

}  // namespace plat
