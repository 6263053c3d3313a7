// The registry of a fresh machine: the keys a freshly installed Windows has that programs read
// (the shell folders, the session environment, the version keys), with the folders they name.
#include <filesystem>

#include "platform/Exceptions.h"
#include "platform/sim/Machine.h"
#include "platform/sim/MachineConfig.h"
#include "platform/sim/RegistryStore.h"

namespace fs = std::filesystem;

namespace plat::sim {

namespace {

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kUserShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr const char* kEnvironment =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// Creates a Windows directory ("C:\A\B") on its drive, taking existing folders whatever the case
// of their names.
void CreateWindowsDir(const MachineConfig& config, const std::string& windowsPath) {
  const MachineDrive* drive =
      windowsPath.size() >= 2 && windowsPath[1] == ':' ? config.FindDrive(windowsPath[0]) : nullptr;
  if (drive == nullptr)
    throw Exception("The folder \"" + windowsPath + "\" is not on a drive of the machine");
  fs::path host = config.DriveHostDir(*drive);
  for (std::string_view name : SplitKeyPath(std::string_view(windowsPath).substr(2))) {
    fs::path next = host / std::string(name);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(host, ec)) {
      if (RegNameEqual(entry.path().filename().string(), name)) {
        next = entry.path();
        break;
      }
    }
    if (!fs::is_directory(next, ec) && !fs::create_directory(next, ec) && ec)
      throw Exception("Cannot create the folder \"" + next.string() + "\": " + ec.message());
    host = next;
  }
}

// "%SystemRoot%\rest" for a directory below the Windows directory, else the directory itself.
std::string BelowSystemRoot(const std::string& windowsDir, const std::string& dir) {
  if (dir.size() > windowsDir.size() && dir[windowsDir.size()] == '\\' &&
      RegNameEqual(dir.substr(0, windowsDir.size()), windowsDir)) {
    std::string rest = dir.substr(windowsDir.size());
    if (RegNameEqual(rest, "\\SYSTEM32")) rest = "\\system32";
    if (RegNameEqual(rest, "\\SYSTEM")) rest = "\\system";
    return "%SystemRoot%" + rest;
  }
  return dir;
}

struct ShellFolder {
  const char* name;
  const char* relative;  // below the profile folder
  bool common;           // in the profile of all users
};

constexpr ShellFolder kFolders[] = {
    {"Desktop", "Desktop", false},
    {"Start Menu", "Start Menu", false},
    {"Programs", "Start Menu\\Programs", false},
    {"Startup", "Start Menu\\Programs\\Startup", false},
    {"Common Desktop", "Desktop", true},
    {"Common Start Menu", "Start Menu", true},
    {"Common Programs", "Start Menu\\Programs", true},
    {"Common Startup", "Start Menu\\Programs\\Startup", true},
};

void AddShellFolders(RegTree& tree, const MachineConfig& config) {
  // NT keeps the folders in profiles below the Windows directory; 9x keeps the user's folders in
  // the Windows directory itself and those of all users in "All Users".
  const std::string& windows = config.windowsDir;
  const std::string userProfile = config.family9x ? windows : windows + "\\Profiles\\Administrator";
  const std::string commonProfile =
      config.family9x ? windows + "\\All Users" : windows + "\\Profiles\\All Users";
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    RegKey* shell = tree.Create(root, kShellFolders);
    RegKey* userShell = tree.Create(root, kUserShellFolders);
    for (const ShellFolder& folder : kFolders) {
      std::string relative = folder.relative;
      if (config.family9x && relative.ends_with("\\Startup"))
        relative.replace(relative.size() - 7, 7, "StartUp");
      const std::string path = (folder.common ? commonProfile : userProfile) + "\\" + relative;
      CreateWindowsDir(config, path);
      shell->SetValue(folder.name, REG_SZ, path);
      if (config.family9x) {
        userShell->SetValue(folder.name, REG_SZ, path);
      } else {
        const std::string profileVar =
            folder.common ? BelowSystemRoot(windows, commonProfile) : "%USERPROFILE%";
        userShell->SetValue(folder.name, REG_EXPAND_SZ, profileVar + "\\" + relative);
      }
    }
  }
}

void AddEnvironment(RegTree& tree, const MachineConfig& config) {
  const std::string& windows = config.windowsDir;
  const std::string system = BelowSystemRoot(windows, config.systemDir);
  RegKey* env = tree.Create(HKEY_LOCAL_MACHINE, kEnvironment);
  env->SetValue("ComSpec", REG_EXPAND_SZ,
                config.family9x ? windows + "\\COMMAND.COM" : system + "\\cmd.exe");
  if (!config.family9x) env->SetValue("OS", REG_SZ, "Windows_NT");
  env->SetValue("Path", REG_EXPAND_SZ, system + ";%SystemRoot%");
  env->SetValue("PROCESSOR_ARCHITECTURE", REG_SZ, "x86");
  env->SetValue("windir", REG_EXPAND_SZ, "%SystemRoot%");

  RegKey* userEnv = tree.Create(HKEY_CURRENT_USER, "Environment");
  const std::string temp = BelowSystemRoot(windows, config.tempDir);
  userEnv->SetValue("TEMP", REG_EXPAND_SZ, temp);
  userEnv->SetValue("TMP", REG_EXPAND_SZ, temp);
}

void AddVersionKeys(RegTree& tree, const MachineConfig& config) {
  const std::string build = std::to_string(config.buildNumber);
  const std::string version =
      std::to_string(config.majorVersion) + "." + std::to_string(config.minorVersion);
  RegKey* current = tree.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
  const std::string programFiles = "C:\\Program Files";
  CreateWindowsDir(config, programFiles + "\\Common Files");
  current->SetValue("ProgramFilesDir", REG_SZ, programFiles);
  current->SetValue("CommonFilesDir", REG_SZ, programFiles + "\\Common Files");
  if (config.family9x) {
    current->SetValue("SystemRoot", REG_SZ, config.windowsDir);
    current->SetValue("Version", REG_SZ, config.minorVersion >= 10 ? "Windows 98" : "Windows 95");
    const std::string minor = config.minorVersion < 10 ? "0" + std::to_string(config.minorVersion)
                                                       : std::to_string(config.minorVersion);
    current->SetValue("VersionNumber", REG_SZ,
                      std::to_string(config.majorVersion) + "." + minor + "." + build);
  } else {
    RegKey* nt = tree.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
    nt->SetValue("CurrentBuildNumber", REG_SZ, build);
    nt->SetValue("CurrentVersion", REG_SZ, version);
    nt->SetValue("SystemRoot", REG_SZ, config.windowsDir);
  }
}

}  // namespace

void WriteFreshRegistry(const std::string& hostDir, const MachineOptions& options) {
  std::error_code ec;
  MachineConfig config = fs::exists(fs::path(hostDir) / "machine.ini", ec)
                             ? LoadMachineConfig(hostDir)
                             : DefaultMachineConfig(options);
  config.machineDir = hostDir;
  RegTree fresh;
  for (const char* top : {"HARDWARE", "SOFTWARE", "SYSTEM"}) fresh.Create(HKEY_LOCAL_MACHINE, top);
  fresh.Create(HKEY_CURRENT_USER, "Software");
  AddShellFolders(fresh, config);
  AddEnvironment(fresh, config);
  AddVersionKeys(fresh, config);
  ChangeRegistry(hostDir, [&](RegTree& tree) {
    tree = std::move(fresh);
    return true;
  });
}

}  // namespace plat::sim
