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

bool HeldByOthers(int fd, Marker m) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kMarkerBase + m;
  fl.l_len = 1;
  if (::fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

bool SetMarker(int fd, Marker m) {
  struct flock fl {};
  fl.l_type = F_RDLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kMarkerBase + m;
  fl.l_len = 1;
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

}  // namespace

ShareRequest ShareRequestOf(uint16_t mode) {
  ShareRequest r;
  uint16_t share = mode & 0x00F0;
  if (mode == fmCreate || (mode & 0xFF00) == fmCreate) {
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
// the later check always sees the earlier markers, with or without the machine lock.
bool RegisterShare(int fd, const ShareRequest& r) {
  bool set = SetMarker(fd, kOpen) && (!r.read || SetMarker(fd, kHasReader)) &&
             (!r.write || SetMarker(fd, kHasWriter)) &&
             (!r.denyRead || SetMarker(fd, kDeniesRead)) &&
             (!r.denyWrite || SetMarker(fd, kDeniesWrite));
  bool conflict = !set || (r.read && HeldByOthers(fd, kDeniesRead)) ||
                  (r.write && HeldByOthers(fd, kDeniesWrite)) ||
                  (r.denyRead && HeldByOthers(fd, kHasReader)) ||
                  (r.denyWrite && HeldByOthers(fd, kHasWriter));
  if (conflict) ClearMarkers(fd);
  return !conflict;
}

bool OpenByOthers(int fd) {
  return HeldByOthers(fd, kOpen);
}

}  // namespace plat::sim
