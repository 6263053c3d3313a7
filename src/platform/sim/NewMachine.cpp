// Making a fresh machine: its layout, its registry and the system's programs.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "platform/Exceptions.h"
#include "platform/Paths.h"
#include "platform/sim/Machine.h"
#include "platform/sim/MachineConfig.h"
#include "platform/sim/Process.h"

namespace fs = std::filesystem;

namespace plat::sim {
namespace {

// The project's tools that a fresh machine carries, by host name and Windows name.
struct SystemProgram {
  const char* hostName;
  const char* windowsName;
};
constexpr SystemProgram kSystemPrograms[] = {{"reg", "reg.exe"}};

fs::path RunningExecutableDir() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe.parent_path();
}

// Where the tools are: NIVSIM_TOOLS_DIR, else beside the running program, else in the folders
// above it and their "tools" folders (the build tree: tests run from below its root).
fs::path FindTool(const char* hostName) {
  std::vector<fs::path> dirs;
  if (const char* env = std::getenv("NIVSIM_TOOLS_DIR"); env && *env) dirs.emplace_back(env);
  const fs::path exeDir = RunningExecutableDir();
  if (!exeDir.empty()) {
    dirs.push_back(exeDir);
    fs::path up = exeDir;
    for (int i = 0; i < 4 && up.has_parent_path() && up != up.parent_path(); ++i) {
      up = up.parent_path();
      dirs.push_back(up);
      dirs.push_back(up / "tools");
    }
  }
  // A build tree keeps each tool in a folder of its own name (tools/reg/reg).
  for (const auto& dir : dirs) {
    for (const fs::path& candidate : {dir / hostName, dir / hostName / hostName}) {
      std::error_code ec;
      if (fs::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0)
        return candidate;
    }
  }
  return {};
}

bool IsEmptyOrMissing(const std::string& dir) {
  std::error_code ec;
  if (!fs::exists(dir, ec)) return true;
  return fs::is_directory(dir, ec) && fs::is_empty(dir, ec);
}

// The machine of the process for a while; the previous one afterwards (when there was one).
class MachineScope {
 public:
  explicit MachineScope(const std::string& hostDir) : previous_(CurrentMachineDir()) {
    ChooseMachine(hostDir);
  }
  ~MachineScope() {
    if (!previous_.empty()) ChooseMachine(previous_);
  }
  MachineScope(const MachineScope&) = delete;
  MachineScope& operator=(const MachineScope&) = delete;

 private:
  std::string previous_;
};

}  // namespace

void InstallSystemPrograms(const std::string& hostDir) {
  MachineScope scope(hostDir);
  const std::string systemDir = IncludeTrailingBackslash(CurrentMachine().systemDir);
  for (const auto& program : kSystemPrograms) {
    const std::string target = systemDir + program.windowsName;
    const fs::path tool = FindTool(program.hostName);
    if (tool.empty()) {
      std::cerr << "warning: the tool \"" << program.hostName
                << "\" was not found beside this program (set NIVSIM_TOOLS_DIR); the machine has "
                   "no "
                << target << "\n";
      continue;
    }
    const std::string host = HostPathOf(target);
    if (host.empty()) throw Exception("Cannot place \"" + target + "\" in the machine");
    std::error_code ec;
    fs::copy_file(tool, host, fs::copy_options::overwrite_existing, ec);
    if (ec)
      throw Exception("Cannot copy \"" + tool.string() + "\" to \"" + target +
                      "\": " + ec.message());
    fs::permissions(host, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ec);
  }
}

void NewMachine(const std::string& hostDir, const MachineOptions& options) {
  if (hostDir.empty()) throw Exception("No folder given for the new machine");
  if (!IsEmptyOrMissing(hostDir))
    throw Exception("The folder \"" + hostDir + "\" exists and is not empty");
  std::error_code ec;
  const bool existed = fs::exists(hostDir, ec);
  const fs::path parent = fs::absolute(hostDir, ec).parent_path();
  if (!existed && !parent.empty()) fs::create_directories(parent, ec);
  try {
    CreateMachineLayout(hostDir, options);
    WriteFreshRegistry(hostDir, options);
    InstallSystemPrograms(hostDir);
  } catch (...) {
    // Nothing half-made stays behind.
    if (existed) {
      for (const auto& entry : fs::directory_iterator(hostDir, ec)) fs::remove_all(entry, ec);
    } else {
      fs::remove_all(hostDir, ec);
    }
    throw;
  }
}

}  // namespace plat::sim
