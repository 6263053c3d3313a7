// The restart request of a machine and its boot.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Record.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "platform/sim/Machine.h"
#include "platform/sim/Process.h"
#include "platform/sim/Restart.h"

namespace plat::sim {
namespace {

std::string RequestFile(const std::string& hostDir) {
  return (std::filesystem::path(hostDir) / "pending-restart").string();
}

constexpr const char* kShellFolders =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string ShellFolder(HKEY root, const char* name) {
  TRegistry reg;
  reg.SetRootKey(root);
  if (!reg.OpenKeyReadOnly(kShellFolders)) return "";
  return reg.ReadString(name);
}

// The names of a folder's entries of one kind, sorted without regard to case.
std::vector<std::string> EntriesWithExtension(const std::string& folder, const char* ext) {
  std::vector<std::string> names;
  TSearchRec rec;
  const std::string mask = IncludeTrailingBackslash(folder) + "*" + ext;
  if (FindFirst(mask, faAnyFile & ~faDirectory & ~faVolumeID, rec) == 0) {
    do {
      if (!(rec.Attr & faDirectory) && AsciiSameText(ExtractFileExt(rec.Name), ext))
        names.push_back(rec.Name);
    } while (FindNext(rec) == 0);
    FindClose(rec);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return AsciiUpper(a) < AsciiUpper(b);
  });
  return names;
}

}  // namespace

std::string RestartActionName(uint32_t flags) {
  if (flags & EWX_REBOOT) return "reboot";
  if (flags & EWX_SHUTDOWN) return "shutdown";
  return "logoff";
}

void RequestRestart(const std::string& hostDir, uint32_t flags) {
  const std::string file = RequestFile(hostDir);
  const std::string temp = file + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << "action=" << RestartActionName(flags) << "\nflags=" << flags << "\n";
    if (!out) throw Exception("Cannot write \"" + temp + "\"");
  }
  std::error_code ec;
  std::filesystem::rename(temp, file, ec);
  if (ec) throw Exception("Cannot write \"" + file + "\": " + ec.message());
}

std::optional<uint32_t> PendingRestart(const std::string& hostDir) {
  std::ifstream in(RequestFile(hostDir), std::ios::binary);
  if (!in) return std::nullopt;
  std::string line;
  uint32_t flags = EWX_REBOOT;
  while (std::getline(in, line)) {
    int32_t value = 0;
    if (line.rfind("flags=", 0) == 0 && TryStrToInt(Trim(line.substr(6)), value) && value >= 0)
      flags = static_cast<uint32_t>(value);
  }
  return flags;
}

void ClearPendingRestart(const std::string& hostDir) {
  std::error_code ec;
  std::filesystem::remove(RequestFile(hostDir), ec);
}

std::vector<std::string> StartupFolders() {
  std::vector<std::string> folders;
  for (const auto& [root, name] :
       {std::pair{HKEY_CURRENT_USER, "Startup"}, std::pair{HKEY_LOCAL_MACHINE, "Common Startup"}}) {
    const std::string folder = ShellFolder(root, name);
    if (!folder.empty() && DirectoryExists(folder) &&
        std::none_of(folders.begin(), folders.end(),
                     [&](const std::string& f) { return AsciiSameText(f, folder); }))
      folders.push_back(folder);
  }
  return folders;
}

std::optional<StartupProgram> ReadStartupLink(const std::string& linkPath) {
  // Shell links are not read yet: a link in a Startup folder starts nothing.
  (void)linkPath;
  return std::nullopt;
}

std::vector<StartupProgram> StartupPrograms() {
  std::vector<StartupProgram> programs;
  for (const auto& folder : StartupFolders()) {
    const std::string dir = IncludeTrailingBackslash(folder);
    for (const auto& name : EntriesWithExtension(folder, ".exe"))
      programs.push_back({dir + name, "\"" + dir + name + "\"", ExcludeTrailingBackslash(dir)});
    for (const auto& name : EntriesWithExtension(folder, ".lnk"))
      if (auto program = ReadStartupLink(dir + name)) programs.push_back(*program);
  }
  return programs;
}

bool BootMachine(const std::string& hostDir, const std::string& agent, std::ostream& out) {
  ChooseMachine(hostDir);
  const std::optional<uint32_t> request = PendingRestart(hostDir);
  AppendRecord({"boot", {{"restart", request ? RestartActionName(*request) : "none"}}});
  ClearPendingRestart(hostDir);
  out << (request ? "restart performed (" + RestartActionName(*request) + ")"
                  : std::string("no restart was requested; booting"))
      << "\n";
  bool allStarted = true;
  for (const auto& program : StartupPrograms()) {
    const std::string dir =
        program.workingDir.empty() ? ExtractFilePath(program.source) : program.workingDir;
    out << "starting " << AnsiToUtf8(program.commandLine) << "\n";
    try {
      const int code = RunInMachine(hostDir, dir, program.commandLine, agent);
      out << "  exit code " << code << "\n";
    } catch (const Exception& e) {
      out << "  " << AnsiToUtf8(e.Message()) << "\n";
      allStarted = false;
    }
  }
  return allStarted;
}

}  // namespace plat::sim
