#pragma once
// The simulated Windows machine: a host directory with machine.ini, drives/, registry.reg and the
// record. A program finds its machine from the environment variable NIVSIM_MACHINE (children
// inherit it); tests may also choose one for the whole process with UseMachine.
#include <cstdint>
#include <string>
#include <vector>

namespace plat::sim {

struct DriveSpec {
  char letter = 'C';
  uint32_t type = 3;     // plat::DRIVE_* value
  std::string label;     // volume label
  int64_t freeK = -1;    // free space in K; -1: the host's real free space
  std::string hostDir;   // a host folder shown as this drive; "" for drives/<L>
};

struct MachineOptions {
  bool family9x = false;       // the NT family by default
  uint32_t buildNumber = 0;    // 0: the family's usual build (1381 NT 4, 950 for 9x)
  int oemCodePage = 866;
  int ansiCodePage = 1251;
  std::vector<DriveSpec> drives;  // C: fixed is always there
};

// Makes a fresh machine in hostDir (which must not exist or be empty). Raises plat::Exception.
void NewMachine(const std::string& hostDir, const MachineOptions& options);
// Chooses the machine of this process (instead of NIVSIM_MACHINE), and the program's identity.
void UseMachine(const std::string& hostDir);
// The host directory of the current machine, "" outside a machine.
std::string CurrentMachineDir();
// Host path of a Windows path of the current machine ("" when it maps outside every drive).
std::string HostPathOf(const std::string& windowsPath);

// Runs a program of the machine as `nivsim run` does and gives its exit code. agent is what
// --agent takes ("" for none, "first", "console", "script:FILE").
int RunInMachine(const std::string& hostDir, const std::string& currentDir,
                 const std::string& commandLine, const std::string& agent);

}  // namespace plat::sim

namespace plat::sim {

// The parts of making a machine, each owned by its part of the back end; NewMachine calls them
// in this order.
void CreateMachineLayout(const std::string& hostDir, const MachineOptions& options);  // dirs, ini
void WriteFreshRegistry(const std::string& hostDir, const MachineOptions& options);  // registry
void InstallSystemPrograms(const std::string& hostDir);  // reg.exe and the other tools

}  // namespace plat::sim
