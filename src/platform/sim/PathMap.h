#pragma once
// Windows paths of the current machine mapped to host paths. Names are found without regard to
// case (ANSI case mapping) and keep the case they were created with. Host names are the UTF-8
// form of the ANSI names, so the machine's folders read well with ordinary tools.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/MachineConfig.h"

namespace plat::sim {

struct ResolvedPath {
  uint32_t error = 0;         // a Win32 error code when the path cannot be mapped
  std::string windowsPath;    // the expanded path, "C:\Dir\Name"
  std::string host;           // the host path; existing components in their stored case
  std::string parentHost;     // the host folder holding the last component ("" for a root)
  std::string name;           // the last component (ANSI), as stored when it exists
  std::string hostName;       // the last component as a host name
  bool isRoot = false;        // a drive root or a share root
  bool exists = false;        // the last component exists
  bool isDirectory = false;   // ... and is a folder
  bool parentExists = false;  // the folder that holds the last component exists
  const MachineDrive* drive = nullptr;
};

// Resolves a Windows path (relative ones against the current directory). Invalid names (device
// names, wildcards, control characters, NULs), unknown drives and shares, and host symlinks that
// lead out of the machine's drives give an error, never a host path outside the drives.
ResolvedPath ResolvePath(std::string_view windowsPath);

// The current machine's configuration, or nullptr (with LastError set) outside a machine.
const MachineConfig* MachineOrError();

// Host name <-> ANSI name in the machine's ANSI code page.
std::string HostNameOf(std::string_view ansiName);
std::string AnsiNameOf(std::string_view hostName);

// Entries of a host folder as the directory cache knows them (names in ANSI).
struct DirEntry {
  std::string name;      // ANSI
  std::string hostName;  // as on the host
  bool isDirectory = false;
  bool isSymlink = false;
  std::string shortName;  // "" when the name is already an 8.3 name
};
// A snapshot of a folder's entries, re-read only when the folder changed.
std::vector<DirEntry> ListDirectory(const std::string& hostDir);
// The entry of a folder with the given ANSI name (any case); false when there is none.
bool LookupEntry(const std::string& hostDir, std::string_view name, DirEntry& entry);
// Tells the cache of the layer's own change to a folder, so it need not re-read it.
void NoteDirectoryChanged(const std::string& hostDir, const std::string& hostName, bool added,
                          bool isDirectory, const std::string& shortName = "");
// The short name of an entry as programs see it: the stored one, else the one the folder's cache
// gave it, which is stored from now on so that it stays the same. Until a program asks, a short
// name is not stored, which spares a write per new file.
std::string PinShortName(const std::string& hostDir, const DirEntry& entry);
// A short name for a new long name in a folder that no entry of the folder has, reserved for
// the entry about to be made; "" when the name is already an 8.3 name.
std::string ClaimShortName(const std::string& hostDir, const std::string& name);

}  // namespace plat::sim
