// Windows paths to host paths. Each host folder's entries are cached by their upper-case ANSI
// names, so a lookup does not read the folder again; the cache is checked against the folder's
// inode and modification time (nanoseconds) before every use, since other processes of the
// machine change folders too. The layer's own changes update the cache in place. A change made
// by another process in the short moment between the layer's check of a folder and its own
// change of that folder can stay unseen until the folder changes again.
#include "platform/sim/PathMap.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <list>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/sim/FileAttributes.h"
#include "platform/sim/ShortNames.h"

namespace plat::sim {
namespace {

constexpr uint32_t kErrorBadNetPath = 53;
constexpr uint32_t kErrorFilenameTooLong = 206;
constexpr size_t kMaxPath = 260;
constexpr size_t kMaxCachedDirs = 512;

struct CachedEntry {
  std::string name;
  std::string hostName;
  bool isDirectory = false;
  bool isSymlink = false;
  std::string shortName;  // upper case; "" when the name is an 8.3 name
};

struct CachedDir {
  dev_t dev = 0;
  ino_t ino = 0;
  struct timespec mtime {};
  std::unordered_map<std::string, CachedEntry> byUpper;
  std::unordered_set<std::string> shortTaken;  // 8.3 names and short names, upper case
  // Short names claimed for entries this process is making (upper-case long name -> short
  // name); they hold across re-reads of the folder until the entry is noted.
  std::unordered_map<std::string, std::string> pending;

  void Add(std::string key, CachedEntry entry) {
    shortTaken.insert(entry.shortName.empty() ? key : entry.shortName);
    byUpper.insert_or_assign(std::move(key), std::move(entry));
  }
  void Remove(const std::string& key) {
    auto it = byUpper.find(key);
    if (it == byUpper.end()) return;
    shortTaken.erase(it->second.shortName.empty() ? key : it->second.shortName);
    byUpper.erase(it);
  }
  std::string FreeShortName(const std::string& name) const {
    for (int n = 1;; ++n) {
      std::string candidate = ShortNameCandidate(name, n);
      bool claimed = std::any_of(pending.begin(), pending.end(),
                                 [&](const auto& p) { return p.second == candidate; });
      if (!shortTaken.count(candidate) && !claimed) return candidate;
    }
  }
};

class DirCache {
 public:
  // Calls use(dir) with the folder's valid entries under the cache's lock; false when the folder
  // cannot be read.
  // Like With, but trusts a cached folder without checking it again: for a folder that was
  // checked a moment ago by the same operation.
  template <class Use>
  bool WithRecent(const std::string& hostDir, Use&& use) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = dirs_.find(hostDir);
      if (it != dirs_.end()) {
        use(it->second);
        return true;
      }
    }
    return With(hostDir, use);
  }

  template <class Use>
  bool With(const std::string& hostDir, Use&& use) {
    struct stat st {};
    if (::stat(hostDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = dirs_.find(hostDir);
    if (it == dirs_.end() || !Matches(it->second, st)) {
      CachedDir fresh;
      if (it != dirs_.end()) fresh.pending = std::move(it->second.pending);
      if (!Scan(hostDir, st, fresh)) return false;
      if (dirs_.size() >= kMaxCachedDirs) dirs_.clear();
      it = dirs_.insert_or_assign(hostDir, std::move(fresh)).first;
    }
    use(it->second);
    return true;
  }

  void Note(const std::string& hostDir, const std::string& hostName, bool added, bool isDir,
            const std::string& shortName) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = dirs_.find(hostDir);
    if (it == dirs_.end()) return;
    struct stat st {};
    if (::stat(hostDir.c_str(), &st) != 0) {
      dirs_.erase(it);
      return;
    }
    std::string name = AnsiNameOf(hostName);
    std::string key = AnsiUpperCase(name);
    it->second.Remove(key);
    it->second.pending.erase(key);
    if (added) it->second.Add(key, CachedEntry{name, hostName, isDir, false, shortName});
    it->second.mtime = st.st_mtim;
  }

 private:
  static bool Matches(const CachedDir& d, const struct stat& st) {
    return d.dev == st.st_dev && d.ino == st.st_ino && d.mtime.tv_sec == st.st_mtim.tv_sec &&
           d.mtime.tv_nsec == st.st_mtim.tv_nsec;
  }

  static bool Scan(const std::string& hostDir, const struct stat& st, CachedDir& out) {
    DIR* dir = ::opendir(hostDir.c_str());
    if (!dir) return false;
    out.dev = st.st_dev;
    out.ino = st.st_ino;
    out.mtime = st.st_mtim;
    std::vector<std::string> unnamed;
    while (struct dirent* e = ::readdir(dir)) {
      std::string hostName = e->d_name;
      if (hostName == "." || hostName == "..") continue;
      CachedEntry entry;
      entry.hostName = hostName;
      entry.name = AnsiNameOf(hostName);
      unsigned char type = e->d_type;
      if (type == DT_UNKNOWN) {
        struct stat est {};
        if (::lstat((hostDir + "/" + hostName).c_str(), &est) == 0)
          type = S_ISDIR(est.st_mode) ? DT_DIR : S_ISLNK(est.st_mode) ? DT_LNK : DT_REG;
      }
      entry.isDirectory = type == DT_DIR;
      entry.isSymlink = type == DT_LNK;
      std::string key = AnsiUpperCase(entry.name);
      // Two host names that differ only in case: the first one read is the one found.
      if (out.byUpper.count(key)) continue;
      if (!IsShortName(entry.name)) {
        entry.shortName = ReadStoredShortName(hostDir + "/" + hostName);
        if (entry.shortName.empty()) unnamed.push_back(key);
      }
      out.Add(std::move(key), std::move(entry));
    }
    ::closedir(dir);
    // Long names without a stored short name (put there by host tools) get theirs in name order,
    // so every process of the machine gives them the same ones.
    std::sort(unnamed.begin(), unnamed.end());
    for (const auto& [key, shortName] : out.pending) out.shortTaken.insert(shortName);
    for (const std::string& key : unnamed) {
      CachedEntry& entry = out.byUpper[key];
      auto claimed = out.pending.find(key);
      entry.shortName =
          claimed != out.pending.end() ? claimed->second : out.FreeShortName(entry.name);
      out.shortTaken.insert(entry.shortName);
    }
    return true;
  }

  std::mutex mutex_;
  std::unordered_map<std::string, CachedDir> dirs_;
};

DirCache& Cache() {
  static DirCache cache;
  return cache;
}

bool IsDeviceName(std::string_view name) {
  std::string base = AsciiUpper(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  static constexpr const char* kDevices[] = {"CON",    "PRN",    "AUX",    "NUL",
                                             "CLOCK$", "CONIN$", "CONOUT$"};
  for (const char* d : kDevices)
    if (base == d) return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

bool IsValidComponent(std::string_view name) {
  for (char c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20) return false;
    switch (c) {
      case '<':
      case '>':
      case ':':
      case '"':
      case '/':
      case '|':
      case '?':
      case '*':
        return false;
      default:
        break;
    }
  }
  return !IsDeviceName(name);
}

std::string RealPath(const std::string& path) {
  char buf[PATH_MAX];
  return ::realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

// A symlink in a drive may lead elsewhere inside the machine's drives, never outside them.
std::string FollowInsideDrives(const MachineConfig& config, const std::string& link) {
  std::string target = RealPath(link);
  if (target.empty()) return "";
  for (const MachineDrive& d : config.drives) {
    std::string root = RealPath(config.DriveHostDir(d));
    if (root.empty()) continue;
    if (target == root || (target.size() > root.size() &&
                           target.compare(0, root.size(), root) == 0 && target[root.size()] == '/'))
      return target;
  }
  return "";
}

ResolvedPath Fail(ResolvedPath r, uint32_t error) {
  r.error = error;
  r.host.clear();
  return r;
}

bool DriveRootOf(const MachineConfig& config, const std::string& root, ResolvedPath& r) {
  if (IsUncPath(root)) {
    r.drive = config.FindShare(root);
    if (!r.drive) {
      r.error = kErrorBadNetPath;
      return false;
    }
  } else {
    r.drive = config.FindDrive(root[0]);
    if (!r.drive || r.drive->type == DRIVE_NO_ROOT_DIR) {
      r.error = ERROR_PATH_NOT_FOUND;
      return false;
    }
  }
  r.host = config.DriveHostDir(*r.drive);
  return true;
}

// A drive root that cannot be read: a removable or CD drive without its medium.
uint32_t MissingRootError(const MachineDrive& drive) {
  bool media = drive.type == DRIVE_REMOVABLE || drive.type == DRIVE_CDROM;
  return media ? ERROR_NOT_READY : ERROR_PATH_NOT_FOUND;
}

struct KnownFolder {
  std::string hostDir;
  dev_t dev = 0;
  ino_t ino = 0;
};

class KnownFolderMap {
 public:
  bool Find(const std::string& key, KnownFolder& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = map_.find(key);
    if (it == map_.end()) return false;
    out = it->second;
    return true;
  }
  void Remember(const std::string& key, KnownFolder folder) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (map_.size() >= 4 * kMaxCachedDirs) map_.clear();
    map_[key] = std::move(folder);
  }
  void Forget(const std::string& key) {
    std::lock_guard<std::mutex> lock(mutex_);
    map_.erase(key);
  }

 private:
  std::mutex mutex_;
  std::unordered_map<std::string, KnownFolder> map_;
};

KnownFolderMap& KnownFolders() {
  static KnownFolderMap map;
  return map;
}

// Looks the component up in the folder r.host and moves r on to it; dev and ino are those of
// the folder searched. False when the folder cannot be read or a link leads out (r.error set
// for the latter).
bool LookupComponent(const MachineConfig& config, ResolvedPath& r, std::string_view part, bool last,
                     dev_t& dev, ino_t& ino) {
  std::string key = AnsiUpperCase(part);
  CachedEntry found;
  bool hit = false;
  bool readable = Cache().With(r.host, [&](const CachedDir& dir) {
    dev = dir.dev;
    ino = dir.ino;
    auto it = dir.byUpper.find(key);
    if (it != dir.byUpper.end()) {
      found = it->second;
      hit = true;
    }
  });
  if (!readable) return false;
  r.parentHost = r.host;
  if (!hit) {
    r.exists = false;
    r.isDirectory = false;
    r.name = std::string(part);
    r.hostName = HostNameOf(part);
    r.host += "/" + r.hostName;
    return true;
  }
  r.name = found.name;
  r.hostName = found.hostName;
  r.host += "/" + found.hostName;
  r.isDirectory = found.isDirectory;
  if (found.isSymlink) {
    std::string target = FollowInsideDrives(config, r.host);
    struct stat st {};
    if (target.empty() || ::stat(target.c_str(), &st) != 0) {
      r.error = ERROR_ACCESS_DENIED;
      return false;
    }
    r.isDirectory = S_ISDIR(st.st_mode);
    if (!last) r.host = target;  // the folder's real place; the last name stays a link
  }
  return true;
}

}  // namespace

const MachineConfig* MachineOrError() {
  try {
    return &CurrentMachine();
  } catch (const std::exception&) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
}

std::string HostNameOf(std::string_view ansiName) {
  bool ascii = std::all_of(ansiName.begin(), ansiName.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return std::string(ansiName);
  const MachineConfig* config = MachineOrError();
  return ConvertCodePage(ansiName, config ? config->ansiCodePage : 1251, 65001);
}

std::string AnsiNameOf(std::string_view hostName) {
  bool ascii = std::all_of(hostName.begin(), hostName.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return std::string(hostName);
  const MachineConfig* config = MachineOrError();
  return ConvertCodePage(hostName, 65001, config ? config->ansiCodePage : 1251);
}

ResolvedPath ResolvePath(std::string_view windowsPath) {
  ResolvedPath r;
  if (windowsPath.find('\0') != std::string_view::npos || windowsPath.empty())
    return Fail(r, windowsPath.empty() ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_NAME);
  const MachineConfig* config = MachineOrError();
  if (!config) return Fail(r, ERROR_PATH_NOT_FOUND);
  r.windowsPath = ExcludeTrailingBackslash(ExpandFileName(windowsPath));
  if (r.windowsPath.size() >= kMaxPath) return Fail(r, kErrorFilenameTooLong);

  std::string root = ExtractFileDrive(r.windowsPath);
  if (root.empty() || (IsUncPath(root) && std::count(root.begin(), root.end(), '\\') < 3))
    return Fail(r, ERROR_INVALID_NAME);
  if (!DriveRootOf(*config, root, r)) return Fail(r, r.error);

  std::vector<std::string_view> parts;
  std::string_view rest = std::string_view(r.windowsPath).substr(root.size());
  for (size_t pos = 0; pos < rest.size();) {
    size_t next = rest.find('\\', pos);
    if (next == std::string_view::npos) next = rest.size();
    if (next > pos) parts.push_back(rest.substr(pos, next - pos));
    pos = next + 1;
  }
  for (std::string_view p : parts)
    if (!IsValidComponent(p)) return Fail(r, ERROR_INVALID_NAME);

  r.isRoot = parts.empty();
  if (r.isRoot) {
    struct stat st {};
    if (::stat(r.host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
      return Fail(r, MissingRootError(*r.drive));
  }
  r.exists = true;
  r.isDirectory = true;
  r.parentExists = true;
  // A folder resolved before is used again while its host folder is the same one (inode), so
  // a path costs one check of its last folder, not one per level.
  std::string parentKey;
  if (parts.size() >= 2) {
    parentKey = AnsiUpperCase(std::string_view(r.windowsPath).substr(0, r.windowsPath.rfind('\\')));
    KnownFolder known;
    if (KnownFolders().Find(parentKey, known)) {
      ResolvedPath fast = r;
      fast.host = known.hostDir;
      dev_t dev = 0;
      ino_t ino = 0;
      if (LookupComponent(*config, fast, parts.back(), true, dev, ino) && dev == known.dev &&
          ino == known.ino)
        return fast;
      KnownFolders().Forget(parentKey);
    }
  }
  for (size_t i = 0; i < parts.size(); ++i) {
    bool last = i + 1 == parts.size();
    if (!r.exists || !r.isDirectory) {
      // Below a missing folder or a file: nothing exists, the path leads nowhere.
      r.parentExists = false;
      r.exists = false;
      r.isDirectory = false;
      r.parentHost = r.host;
      r.name = std::string(parts[i]);
      r.hostName = HostNameOf(parts[i]);
      r.host += "/" + r.hostName;
      continue;
    }
    dev_t dev = 0;
    ino_t ino = 0;
    if (!LookupComponent(*config, r, parts[i], last, dev, ino))
      return Fail(r, r.error ? r.error : i == 0 ? MissingRootError(*r.drive) : ERROR_ACCESS_DENIED);
    if (last && !parentKey.empty()) KnownFolders().Remember(parentKey, {r.parentHost, dev, ino});
  }
  if (r.isRoot) {
    r.name.clear();
    r.parentHost.clear();
  }
  return r;
}

std::vector<DirEntry> ListDirectory(const std::string& hostDir) {
  std::vector<std::pair<std::string, DirEntry>> sorted;
  Cache().With(hostDir, [&](const CachedDir& dir) {
    sorted.reserve(dir.byUpper.size());
    for (const auto& [key, e] : dir.byUpper)
      sorted.push_back(
          {key, DirEntry{e.name, e.hostName, e.isDirectory, e.isSymlink, e.shortName}});
  });
  std::sort(sorted.begin(), sorted.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<DirEntry> out;
  out.reserve(sorted.size());
  for (auto& [key, e] : sorted) out.push_back(std::move(e));
  return out;
}

void NoteDirectoryChanged(const std::string& hostDir, const std::string& hostName, bool added,
                          bool isDirectory, const std::string& shortName) {
  Cache().Note(hostDir, hostName, added, isDirectory, shortName);
}

std::string PinShortName(const std::string& hostDir, const DirEntry& entry) {
  if (entry.shortName.empty()) return "";
  std::string host = hostDir + "/" + entry.hostName;
  std::string stored = ReadStoredShortName(host);
  if (!stored.empty()) return stored;  // perhaps another process's, which then holds
  StoreShortName(host, entry.shortName);
  return entry.shortName;
}

bool LookupEntry(const std::string& hostDir, std::string_view name, DirEntry& entry) {
  std::string key = AnsiUpperCase(name);
  bool found = false;
  Cache().With(hostDir, [&](const CachedDir& dir) {
    auto it = dir.byUpper.find(key);
    if (it == dir.byUpper.end()) return;
    const CachedEntry& e = it->second;
    entry = DirEntry{e.name, e.hostName, e.isDirectory, e.isSymlink, e.shortName};
    found = true;
  });
  return found;
}

std::string ClaimShortName(const std::string& hostDir, const std::string& name) {
  if (IsShortName(name)) return "";
  std::string claimed;
  Cache().WithRecent(hostDir, [&](CachedDir& dir) {
    claimed = dir.FreeShortName(name);
    dir.pending[AnsiUpperCase(name)] = claimed;
  });
  return claimed;
}

}  // namespace plat::sim
