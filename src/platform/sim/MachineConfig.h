#pragma once
// What machine.ini of a simulated machine holds: the Windows family and build, the standard
// directories, the code pages and the drive table.
//
// machine.ini is an ordinary INI text:
//   [Machine]
//   Family=NT            (NT or 9x)
//   Build=1381
//   Version=4.0
//   WindowsDir=C:\WINDOWS
//   SystemDir=C:\WINDOWS\SYSTEM32
//   TempDir=C:\WINDOWS\TEMP
//   OEMCodePage=866
//   ANSICodePage=1251
//   [Drive C]
//   Type=fixed           (fixed, removable, network, cdrom, ramdisk, none)
//   Label=
//   FreeK=-1             (-1: the host's real free space)
//   HostDir=             (a host folder shown as this drive; empty: drives/C)
//   Share=               (network drives: the UNC name, e.g. \\SERVER\DIST)
//   Serial=1A2B3C4D      (volume serial number, hexadecimal)
// Lines starting with ';' or '#' are comments. Unknown keys of [Machine] are kept as they are
// (other parts of the machine may store their state there).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim/Machine.h"

namespace plat::sim {

struct MachineDrive {
  char letter = 'C';    // upper case
  uint32_t type = 3;    // plat::DRIVE_* value
  std::string label;    // volume label
  int64_t freeK = -1;   // free space in K; -1: the host's real free space
  std::string hostDir;  // a host folder shown as this drive; "" for drives/<letter>
  std::string share;    // "\\SERVER\SHARE" for a network drive reachable by UNC, else ""
  uint32_t serial = 0;  // volume serial number
};

struct MachineConfig {
  std::string machineDir;  // host directory of the machine (not stored in the file)
  bool family9x = false;
  uint32_t buildNumber = 1381;
  uint32_t majorVersion = 4;
  uint32_t minorVersion = 0;
  std::string windowsDir = "C:\\WINDOWS";
  std::string systemDir = "C:\\WINDOWS\\SYSTEM32";
  std::string tempDir = "C:\\WINDOWS\\TEMP";
  int oemCodePage = 866;
  int ansiCodePage = 1251;
  std::vector<MachineDrive> drives;
  std::vector<std::pair<std::string, std::string>> extra;  // other keys of [Machine], in order

  const MachineDrive* FindDrive(char letter) const;  // any case; nullptr when absent
  // The drive whose Share matches "\\SERVER\SHARE" (ASCII case ignored); nullptr when none.
  const MachineDrive* FindShare(const std::string& uncRoot) const;
  // The host directory of a drive: its HostDir, else <machineDir>/drives/<letter>.
  std::string DriveHostDir(const MachineDrive& drive) const;
  std::string Extra(const std::string& key) const;  // "" when absent
  void SetExtra(const std::string& key, const std::string& value);
};

// The configuration a fresh machine gets from the options of NewMachine.
MachineConfig DefaultMachineConfig(const MachineOptions& options);

// Reads <hostDir>/machine.ini. A damaged file raises plat::Exception naming the file and the
// line; the file is not changed.
MachineConfig LoadMachineConfig(const std::string& hostDir);
// Writes <hostDir>/machine.ini atomically (a temporary file renamed over it).
void SaveMachineConfig(const std::string& hostDir, const MachineConfig& config);

// The configuration of the current machine (CurrentMachineDir()), re-read when machine.ini
// changes. Raises plat::Exception when no machine is chosen or machine.ini is damaged. The
// reference stays valid for the life of the process.
const MachineConfig& CurrentMachine();

}  // namespace plat::sim
