// Files, folders, searches and drives of the simulated machine (the host side of Files.h).
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <memory>

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Stream.h"
#include "platform/Text.h"
#include "platform/sim/FileAttributes.h"
#include "platform/sim/HostErrors.h"
#include "platform/sim/PathMap.h"
#include "platform/sim/ProcessState.h"
#include "platform/sim/ShareLocks.h"

namespace plat {
namespace sim {

uint32_t Win32ErrorOf(int hostErrno) {
  switch (hostErrno) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case ENAMETOOLONG:
      return 206;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ENOMEM:
      return 8;
    default:
      return ERROR_ACCESS_DENIED;
  }
}

}  // namespace sim

namespace {

using sim::ResolvedPath;

constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;  // 1970-01-01 in FileTime

FileTime FileTimeOf(const struct timespec& ts) {
  return kUnixEpochAsFileTime + static_cast<uint64_t>(ts.tv_sec) * 10000000ULL +
         static_cast<uint64_t>(ts.tv_nsec) / 100;
}

struct timespec TimespecOf(FileTime ft) {
  struct timespec ts {};
  int64_t rel = static_cast<int64_t>(ft) - static_cast<int64_t>(kUnixEpochAsFileTime);
  ts.tv_sec = static_cast<time_t>(rel / 10000000);
  ts.tv_nsec = static_cast<long>((rel % 10000000) * 100);
  if (ts.tv_nsec < 0) {
    ts.tv_nsec += 1000000000L;
    ts.tv_sec -= 1;
  }
  return ts;
}

bool Fail(uint32_t error) {
  SetLastError(error);
  return false;
}

// Resolves a path; false with LastError when it cannot be mapped.
bool Resolve(std::string_view path, ResolvedPath& r) {
  r = sim::ResolvePath(path);
  if (r.error) return Fail(r.error);
  return true;
}

uint32_t MissingError(const ResolvedPath& r) {
  return r.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

bool ReadOnlyMedia(const ResolvedPath& r) {
  return r.drive && r.drive->type == DRIVE_CDROM;
}

// Changes of names are refused on read-only media, as the drive cannot be written.
bool Writable(const ResolvedPath& r) {
  if (ReadOnlyMedia(r)) return Fail(ERROR_ACCESS_DENIED);
  return true;
}

const sim::MachineDrive* DriveOfRoot(std::string_view root) {
  const sim::MachineConfig* config = sim::MachineOrError();
  if (!config) return nullptr;
  std::string r(root);
  if (r.empty()) r = sim::CurrentDirectory();
  for (char& c : r)
    if (c == '/') c = '\\';
  if (IsUncPath(r)) return config->FindShare(ExcludeTrailingBackslash(ExtractFileDrive(r)));
  if (r.size() == 1 || (r.size() >= 2 && r[1] == ':')) return config->FindDrive(r[0]);
  return nullptr;
}

// Free and total bytes of a drive: machine.ini's free K when set, else the host's figures.
bool DriveSpace(const sim::MachineDrive& drive, uint64_t& freeBytes, uint64_t& totalBytes) {
  const sim::MachineConfig* config = sim::MachineOrError();
  if (!config) return false;
  struct statvfs vfs {};
  std::string host = config->DriveHostDir(drive);
  if (::statvfs(host.c_str(), &vfs) != 0) return Fail(ERROR_NOT_READY);
  totalBytes = static_cast<uint64_t>(vfs.f_blocks) * vfs.f_frsize;
  freeBytes = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
  if (drive.type == DRIVE_CDROM) freeBytes = 0;
  if (drive.freeK >= 0) {
    freeBytes = static_cast<uint64_t>(drive.freeK) * 1024;
    totalBytes = std::max(totalBytes, freeBytes);
  }
  return true;
}

struct FindState {
  std::string hostDir;
  std::string mask;
  std::vector<sim::DirEntry> entries;
  size_t next = 0;
  bool volumeLabel = false;
};

// Fills rec from the next entry that matches; ERROR_NO_MORE_FILES when none is left.
int NextMatch(FindState& state, TSearchRec& rec) {
  while (state.next < state.entries.size()) {
    const sim::DirEntry& e = state.entries[state.next++];
    if (!MatchesMask(e.name, state.mask)) continue;
    std::string host =
        e.name == "." || e.name == ".." ? state.hostDir : state.hostDir + "/" + e.hostName;
    struct stat st {};
    if (::stat(host.c_str(), &st) != 0) continue;  // gone since the folder was read
    uint32_t attr = sim::AttributesFromStat(host, st);
    if (attr & rec.ExcludeAttr) continue;
    rec.Name = e.name;
    rec.Attr = attr;
    rec.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
    rec.WriteTime = FileTimeOf(st.st_mtim);
    rec.Time = FileTimeToDosDateTime(rec.WriteTime);
    rec.ShortName = e.name == "." || e.name == ".." ? "" : sim::PinShortName(state.hostDir, e);
    SetLastError(ERROR_SUCCESS);
    return 0;
  }
  SetLastError(ERROR_NO_MORE_FILES);
  return static_cast<int>(ERROR_NO_MORE_FILES);
}

void NoteCreated(const ResolvedPath& r, bool isDirectory, const std::string& shortName) {
  sim::NoteDirectoryChanged(r.parentHost, r.hostName, true, isDirectory, shortName);
}

}  // namespace

// ---- times

FileTime FileTimeNow() {
  struct timespec ts {};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  return FileTimeOf(ts);
}

FileTime DosDateTimeToFileTime(DosDateTime dos) {
  struct tm tm {};
  tm.tm_year = static_cast<int>((dos >> 25) & 0x7F) + 80;
  tm.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
  tm.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
  tm.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
  tm.tm_min = static_cast<int>((dos >> 5) & 0x3F);
  tm.tm_sec = static_cast<int>(dos & 0x1F) * 2;
  tm.tm_isdst = -1;
  struct timespec ts {};
  ts.tv_sec = ::mktime(&tm);
  return FileTimeOf(ts);
}

DosDateTime FileTimeToDosDateTime(FileTime ft) {
  struct timespec ts = TimespecOf(ft);
  struct tm tm {};
  ::localtime_r(&ts.tv_sec, &tm);
  if (tm.tm_year < 80) return (1u << 21) | (1u << 16);  // 1980-01-01, the earliest DOS date
  if (tm.tm_year > 207) tm.tm_year = 207;
  return (static_cast<uint32_t>(tm.tm_year - 80) << 25) |
         (static_cast<uint32_t>(tm.tm_mon + 1) << 21) | (static_cast<uint32_t>(tm.tm_mday) << 16) |
         (static_cast<uint32_t>(tm.tm_hour) << 11) | (static_cast<uint32_t>(tm.tm_min) << 5) |
         static_cast<uint32_t>(tm.tm_sec / 2);
}

// ---- existence and attributes

bool FileExists(std::string_view path) {
  ResolvedPath r;
  if (!Resolve(path, r)) return false;
  if (!r.exists || r.isDirectory) return Fail(r.exists ? ERROR_ACCESS_DENIED : MissingError(r));
  return true;
}

bool DirectoryExists(std::string_view path) {
  ResolvedPath r;
  if (!Resolve(path, r)) return false;
  if (!r.exists || !r.isDirectory) return Fail(r.exists ? ERROR_PATH_NOT_FOUND : MissingError(r));
  return true;
}

uint32_t FileGetAttr(std::string_view path) {
  ResolvedPath r;
  if (!Resolve(path, r)) return kInvalidAttributes;
  if (!r.exists) {
    SetLastError(MissingError(r));
    return kInvalidAttributes;
  }
  uint32_t attr = sim::ReadAttributes(r.host);
  if (attr == kInvalidAttributes) SetLastError(ERROR_FILE_NOT_FOUND);
  return attr;
}

bool FileSetAttr(std::string_view path, uint32_t attributes) {
  ResolvedPath r;
  if (!Resolve(path, r)) return false;
  if (!r.exists) return Fail(MissingError(r));
  if (r.isRoot || !Writable(r)) return Fail(ERROR_ACCESS_DENIED);
  if (!sim::StoreAttributes(r.host, attributes)) return Fail(sim::Win32ErrorOf(errno));
  return true;
}

int64_t FileSizeOf(std::string_view path) {
  ResolvedPath r;
  if (!Resolve(path, r)) return -1;
  struct stat st {};
  if (!r.exists || r.isDirectory || ::stat(r.host.c_str(), &st) != 0) {
    SetLastError(MissingError(r));
    return -1;
  }
  return static_cast<int64_t>(st.st_size);
}

bool FileGetModTime(std::string_view path, FileTime& time) {
  ResolvedPath r;
  if (!Resolve(path, r)) return false;
  struct stat st {};
  if (!r.exists || ::stat(r.host.c_str(), &st) != 0) return Fail(MissingError(r));
  time = FileTimeOf(st.st_mtim);
  return true;
}

// As the framework does it, through a handle opened for writing: a read-only file fails, and so
// does one that another handle denies writing to.
bool FileSetModTime(std::string_view path, FileTime time) {
  try {
    TFileStream file(path, fmOpenWrite | fmShareDenyNone);
    return file.SetModTime(time);
  } catch (const EStreamError&) {
    return false;
  }
}

// ---- folders

bool CreateDir(std::string_view path) {
  ResolvedPath r;
  if (!Resolve(path, r)) return false;
  if (r.exists) return Fail(ERROR_ALREADY_EXISTS);
  if (!r.parentExists) return Fail(ERROR_PATH_NOT_FOUND);
  if (!Writable(r)) return false;
  std::string shortName = sim::ClaimShortName(r.parentHost, r.name);
  if (::mkdir(r.host.c_str(), 0755) != 0) return Fail(sim::Win32ErrorOf(errno));
  NoteCreated(r, true, shortName);
  return true;
}

bool RemoveDir(std::string_view path) {
  ResolvedPath r;
  if (!Resolve(path, r)) return false;
  if (!r.exists) return Fail(MissingError(r));
  if (!r.isDirectory) return Fail(267);  // ERROR_DIRECTORY
  if (r.isRoot || !Writable(r)) return Fail(ERROR_ACCESS_DENIED);
  if (sim::ReadAttributes(r.host) & faReadOnly) return Fail(ERROR_ACCESS_DENIED);
  if (::rmdir(r.host.c_str()) != 0) {
    int e = errno;
    return Fail(e == EEXIST || e == ENOTEMPTY ? ERROR_DIR_NOT_EMPTY : sim::Win32ErrorOf(e));
  }
  sim::NoteDirectoryChanged(r.parentHost, r.hostName, false, true);
  return true;
}

bool FileDelete(std::string_view path) {
  ResolvedPath r;
  if (!Resolve(path, r)) return false;
  if (!r.exists) return Fail(MissingError(r));
  if (r.isDirectory || !Writable(r)) return Fail(ERROR_ACCESS_DENIED);
  if (sim::ReadAttributes(r.host) & faReadOnly) return Fail(ERROR_ACCESS_DENIED);
  sim::MachineLock lock;
  int fd = ::open(r.host.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd >= 0) {
    bool busy = sim::OpenByOthers(fd);
    ::close(fd);
    if (busy) return Fail(ERROR_SHARING_VIOLATION);
  }
  if (::unlink(r.host.c_str()) != 0) return Fail(sim::Win32ErrorOf(errno));
  sim::NoteDirectoryChanged(r.parentHost, r.hostName, false, false);
  return true;
}

// The copy gets the source's attributes and modification time; a copy that fails half-way
// leaves no partial file behind.
bool FileCopy(std::string_view source, std::string_view dest, bool failIfExists) {
  ResolvedPath s, d;
  if (!Resolve(source, s) || !Resolve(dest, d)) return false;
  if (!s.exists || s.isDirectory) return Fail(s.exists ? ERROR_ACCESS_DENIED : MissingError(s));
  if (d.exists && failIfExists) return Fail(ERROR_FILE_EXISTS);
  bool created = !d.exists;
  try {
    TFileStream in(source, fmOpenRead | fmShareDenyWrite);
    FileTime time = 0;
    in.GetModTime(time);
    {
      TFileStream out(dest, fmCreate);
      try {
        if (in.Size() > 0) out.CopyFrom(in, 0);
        out.SetModTime(time);
      } catch (const EStreamError&) {
        uint32_t e = LastError() ? LastError() : ERROR_DISK_FULL;
        out.SetSize(0);
        SetLastError(e);
        throw;
      }
    }
    FileSetAttr(dest, sim::ReadAttributes(s.host) & ~faDirectory);
    SetLastError(ERROR_SUCCESS);
    return true;
  } catch (const EStreamError&) {
    uint32_t e = LastError();
    if (created) {
      ResolvedPath again = sim::ResolvePath(dest);
      if (!again.error && again.exists) FileDelete(dest);
    }
    return Fail(e ? e : ERROR_ACCESS_DENIED);
  }
}

bool FileRename(std::string_view oldPath, std::string_view newPath) {
  ResolvedPath o, n;
  if (!Resolve(oldPath, o) || !Resolve(newPath, n)) return false;
  if (!o.exists) return Fail(MissingError(o));
  if (o.isRoot || n.isRoot) return Fail(ERROR_ACCESS_DENIED);
  bool sameEntry = n.exists && n.host == o.host;  // a change of case only
  if (n.exists && !sameEntry) return Fail(ERROR_ALREADY_EXISTS);
  if (!n.parentExists) return Fail(ERROR_PATH_NOT_FOUND);
  if (!Writable(o) || !Writable(n)) return false;
  std::string target =
      sameEntry ? n.parentHost + "/" + sim::HostNameOf(ExtractFileName(ExpandFileName(newPath)))
                : n.host;
  {
    sim::MachineLock lock;
    if (!o.isDirectory) {
      int fd = ::open(o.host.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
      if (fd >= 0) {
        bool busy = sim::OpenByOthers(fd);
        ::close(fd);
        if (busy) return Fail(ERROR_SHARING_VIOLATION);
      }
    }
    if (::rename(o.host.c_str(), target.c_str()) != 0) {
      if (errno != EXDEV || o.isDirectory) return Fail(sim::Win32ErrorOf(errno));
    } else {
      sim::NoteDirectoryChanged(o.parentHost, o.hostName, false, o.isDirectory);
      ResolvedPath moved = sim::ResolvePath(newPath);
      // A new name gets a new short name.
      sim::ForgetShortName(target);
      std::string shortName = sim::ClaimShortName(moved.parentHost, moved.name);
      sim::NoteDirectoryChanged(moved.parentHost, moved.hostName, true, o.isDirectory, shortName);
      return true;
    }
  }
  // Another host file system (a drive mapped to another folder): a copy, then the delete.
  if (!FileCopy(oldPath, newPath, true)) return false;
  if (!FileDelete(oldPath)) {
    uint32_t e = LastError();
    FileSetAttr(newPath, faNormal);
    FileDelete(newPath);
    return Fail(e);
  }
  return true;
}

// ---- searches

int FindFirst(std::string_view pathWithMask, uint32_t attr, TSearchRec& rec) {
  FindClose(rec);
  rec.ExcludeAttr = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);
  // The mask is taken as written: expanding it would drop the trailing dot of "*.".
  std::string raw(pathWithMask);
  std::replace(raw.begin(), raw.end(), '/', '\\');
  std::string mask = ExtractFileName(raw);
  std::string dirPath = ExtractFilePath(raw);
  if (dirPath.empty()) dirPath = GetCurrentDir();
  if (mask.empty()) mask = "*";
  ResolvedPath dir;
  if (!Resolve(dirPath, dir)) return static_cast<int>(LastError());
  if (!dir.exists || !dir.isDirectory) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return static_cast<int>(ERROR_PATH_NOT_FOUND);
  }
  if (attr == faVolumeID) {
    if (!dir.drive || dir.drive->label.empty()) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return static_cast<int>(ERROR_FILE_NOT_FOUND);
    }
    rec = TSearchRec{};
    rec.Name = dir.drive->label;
    rec.Attr = faVolumeID;
    rec.ExcludeAttr = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);
    SetLastError(ERROR_SUCCESS);
    return 0;
  }
  auto state = std::make_unique<FindState>();
  state->hostDir = dir.host;
  state->mask = mask;
  if (!dir.isRoot) {
    state->entries.push_back(sim::DirEntry{".", "", true, false, ""});
    state->entries.push_back(sim::DirEntry{"..", "", true, false, ""});
  }
  for (sim::DirEntry& e : sim::ListDirectory(dir.host)) state->entries.push_back(std::move(e));
  int result = NextMatch(*state, rec);
  if (result != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return static_cast<int>(ERROR_FILE_NOT_FOUND);
  }
  rec.FindHandle = state.release();
  return 0;
}

int FindNext(TSearchRec& rec) {
  auto* state = static_cast<FindState*>(rec.FindHandle);
  if (!state) {
    SetLastError(ERROR_NO_MORE_FILES);
    return static_cast<int>(ERROR_NO_MORE_FILES);
  }
  return NextMatch(*state, rec);
}

void FindClose(TSearchRec& rec) {
  delete static_cast<FindState*>(rec.FindHandle);
  rec.FindHandle = nullptr;
}

// ---- the current directory

std::string GetCurrentDir() {
  return sim::CurrentDirectory();
}

bool SetCurrentDir(std::string_view path) {
  ResolvedPath r;
  if (!Resolve(path, r)) return false;
  if (!r.exists || !r.isDirectory) return Fail(r.exists ? 267 : MissingError(r));
  std::string dir = r.windowsPath;
  if (dir.size() == 2 && dir[1] == ':') dir += '\\';
  sim::StoreCurrentDirectory(dir);
  return true;
}

// ---- drives

uint32_t DriveType(std::string_view root) {
  const sim::MachineDrive* d = DriveOfRoot(root);
  if (!d) return DRIVE_NO_ROOT_DIR;
  return d->type;
}

uint32_t LogicalDrives() {
  const sim::MachineConfig* config = sim::MachineOrError();
  if (!config) return 0;
  uint32_t mask = 0;
  for (const sim::MachineDrive& d : config->drives)
    if (d.type != DRIVE_NO_ROOT_DIR) mask |= 1u << (d.letter - 'A');
  return mask;
}

bool VolumeInformation(std::string_view root, std::string& label, uint32_t& serial) {
  const sim::MachineDrive* d = DriveOfRoot(root);
  if (!d || d->type == DRIVE_NO_ROOT_DIR) return Fail(ERROR_PATH_NOT_FOUND);
  ResolvedPath r;
  std::string rootPath = IsUncPath(root) ? std::string(root) : std::string(1, d->letter) + ":\\";
  if (!Resolve(rootPath, r)) return false;
  label = d->label;
  serial = d->serial;
  return true;
}

bool DiskFreeSpace(std::string_view root, uint32_t& sectorsPerCluster, uint32_t& bytesPerSector,
                   uint32_t& freeClusters, uint32_t& totalClusters) {
  const sim::MachineDrive* d = DriveOfRoot(root);
  if (!d) return Fail(ERROR_PATH_NOT_FOUND);
  uint64_t freeBytes = 0, totalBytes = 0;
  if (!DriveSpace(*d, freeBytes, totalBytes)) return false;
  constexpr uint64_t kCluster = 32768;
  constexpr uint64_t kCap = 0x80000000ULL - kCluster;  // just under 2 GB
  sectorsPerCluster = 64;
  bytesPerSector = 512;
  freeClusters = static_cast<uint32_t>(std::min(freeBytes, kCap) / kCluster);
  totalClusters = static_cast<uint32_t>(std::min(totalBytes, kCap) / kCluster);
  return true;
}

bool DiskFreeSpaceEx(std::string_view directory, uint64_t& freeToCaller, uint64_t& totalBytes,
                     uint64_t& totalFree) {
  ResolvedPath r;
  if (!Resolve(directory, r)) return false;
  if (!r.exists || !r.isDirectory) return Fail(ERROR_PATH_NOT_FOUND);
  uint64_t freeBytes = 0;
  if (!DriveSpace(*r.drive, freeBytes, totalBytes)) return false;
  freeToCaller = totalFree = freeBytes;
  return true;
}

std::string ShortPathName(std::string_view path) {
  ResolvedPath r;
  if (!Resolve(path, r)) return "";
  if (!r.exists) {
    SetLastError(MissingError(r));
    return "";
  }
  const sim::MachineConfig* config = sim::MachineOrError();
  std::string root = ExtractFileDrive(r.windowsPath);
  std::string out = root;
  std::string host = config->DriveHostDir(*r.drive);
  std::string rest = r.windowsPath.substr(root.size());
  size_t pos = 0;
  while (pos < rest.size()) {
    size_t next = rest.find('\\', pos);
    if (next == std::string::npos) next = rest.size();
    std::string component = rest.substr(pos, next - pos);
    pos = next + 1;
    if (component.empty()) continue;
    sim::DirEntry e;
    if (!sim::LookupEntry(host, component, e)) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return "";
    }
    std::string shortName = sim::PinShortName(host, e);
    out += "\\" + (shortName.empty() ? e.name : shortName);
    host += "/" + e.hostName;
  }
  if (r.isRoot) out += "\\";
  SetLastError(ERROR_SUCCESS);
  return out;
}

}  // namespace plat
