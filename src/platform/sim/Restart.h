#pragma once
// The restart of the simulated machine: a program's request is kept in the machine directory
// (the file "pending-restart") until `nivsim boot` performs it and starts what the Startup folders
// hold.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace plat::sim {

// "logoff", "shutdown" or "reboot" for the flags of ExitWindows.
std::string RestartActionName(uint32_t flags);
void RequestRestart(const std::string& hostDir, uint32_t flags);
// The flags of the pending request, or nothing.
std::optional<uint32_t> PendingRestart(const std::string& hostDir);
void ClearPendingRestart(const std::string& hostDir);

// A program that Windows starts at logon.
struct StartupProgram {
  std::string source;       // the Windows path of the Startup folder's entry
  std::string commandLine;  // what is run
  std::string workingDir;   // "" for the entry's folder
};
// The Windows paths of the Startup folders of the current machine: the user's "Startup" and the
// "Common Startup" of the Shell Folders; only those that exist.
std::vector<std::string> StartupFolders();
// The entry of a shell link in a Startup folder; nothing while links cannot be read.
std::optional<StartupProgram> ReadStartupLink(const std::string& linkPath);
// What the Startup folders of the current machine start, in folder order then name order:
// programs (".exe") directly, shell links (".lnk") through ReadStartupLink.
std::vector<StartupProgram> StartupPrograms();

// Performs the boot of the machine in hostDir: records it (with the pending request, if any),
// clears the request, then runs each startup program in turn with the agent, waiting for it.
// Tells on out what it starts; returns false when one of them could not be started.
bool BootMachine(const std::string& hostDir, const std::string& agent, std::ostream& out);

}  // namespace plat::sim
