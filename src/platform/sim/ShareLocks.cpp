#include "platform/sim/ShareLocks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <mutex>
#include <string>

#include "platform/Stream.h"
#include "platform/sim/Machine.h"

namespace plat::sim {
namespace {

constexpr off_t kMarkerBase = off_t{1} << 62;
enum Marker : int { kHasReader = 0, kHasWriter, kDeniesRead, kDeniesWrite, kOpen, kMarkers };

std::mutex& ProcessMutex() {
  static std::mutex m;
  return m;
}

struct LockFile {
  std::string machineDir;
  int fd = -1;
};

// One descriptor per machine for the whole process; callers hold ProcessMutex.
int LockFileFd() {
  static LockFile file;
  std::string dir = CurrentMachineDir();
  if (dir != file.machineDir) {
    if (file.fd >= 0) ::close(file.fd);
    file.machineDir = dir;
    file.fd = dir.empty()
                  ? -1
                  : ::open((dir + "/share.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  }
  return file.fd;
}

// Any lock of another handle on markers [from, to].
bool HeldByOthers(int fd, int from, int to) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kMarkerBase + from;
  fl.l_len = to - from + 1;
  if (::fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

bool SetMarkers(int fd, int from, int to) {
  struct flock fl {};
  fl.l_type = F_RDLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kMarkerBase + from;
  fl.l_len = to - from + 1;
  return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

bool TakeAllMarkers(int fd) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kMarkerBase;
  fl.l_len = kMarkers;
  return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

void ClearMarkers(int fd) {
  struct flock fl {};
  fl.l_type = F_UNLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kMarkerBase;
  fl.l_len = kMarkers;
  ::fcntl(fd, F_OFD_SETLK, &fl);
}

// Calls run(from, to) for each run of neighbouring markers in the set; false when one fails.
template <class Run>
bool ForEachRun(const bool (&set)[kMarkers], Run&& run) {
  for (int m = 0; m < kMarkers;) {
    if (!set[m]) {
      ++m;
      continue;
    }
    int to = m;
    while (to + 1 < kMarkers && set[to + 1]) ++to;
    if (!run(m, to)) return false;
    m = to + 1;
  }
  return true;
}

}  // namespace

ShareRequest ShareRequestOf(uint16_t mode) {
  ShareRequest r;
  uint16_t share = mode & 0x00F0;
  if ((mode & 0xFF00) == fmCreate || (mode & 0xFF00) == fmCreateNew) {
    r.read = r.write = true;
  } else {
    switch (mode & 0x0003) {
      case fmOpenWrite:
        r.write = true;
        break;
      case fmOpenReadWrite:
        r.read = r.write = true;
        break;
      default:
        r.read = true;
        break;
    }
  }
  switch (share) {
    case fmShareDenyWrite:
      r.denyWrite = true;
      break;
    case fmShareDenyRead:
      r.denyRead = true;
      break;
    case fmShareDenyNone:
      break;
    default:  // exclusive, and compatibility mode as the framework maps it on Win32
      r.denyRead = r.denyWrite = true;
      break;
  }
  return r;
}

MachineLock::MachineLock() {
  ProcessMutex().lock();
  fd_ = LockFileFd();
  if (fd_ >= 0) ::flock(fd_, LOCK_EX);
}

MachineLock::~MachineLock() {
  if (fd_ >= 0) ::flock(fd_, LOCK_UN);
  ProcessMutex().unlock();
}

// Markers are set before the others are checked: of two handles that open at the same moment,
// the later check always sees the earlier markers, with or without the machine lock. Neighbouring
// markers are set and checked with one call each.
bool RegisterShare(int fd, const ShareRequest& r) {
  // A handle that reads, writes and denies both agrees only with no other handle at all. Every
  // handle holds "open", so one exclusive lock on all markers checks and registers at once; any
  // other handle's markers then fail to set, as its share check would fail anyway.
  if (r.read && r.write && r.denyRead && r.denyWrite) return TakeAllMarkers(fd);
  const bool mine[kMarkers] = {r.read, r.write, r.denyRead, r.denyWrite, true};
  bool check[kMarkers] = {};
  check[kDeniesRead] = r.read;
  check[kDeniesWrite] = r.write;
  check[kHasReader] = r.denyRead;
  check[kHasWriter] = r.denyWrite;
  bool set = ForEachRun(mine, [fd](int from, int to) { return SetMarkers(fd, from, to); });
  bool conflict =
      !set || !ForEachRun(check, [fd](int from, int to) { return !HeldByOthers(fd, from, to); });
  if (conflict) ClearMarkers(fd);
  return !conflict;
}

bool OpenByOthers(int fd) {
  return HeldByOthers(fd, kOpen, kOpen);
}

}  // namespace plat::sim
