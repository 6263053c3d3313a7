// File streams of the simulated machine: open modes, share modes across processes, attributes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Exceptions.h"
#include "platform/Stream.h"
#include "platform/sim/FileAttributes.h"
#include "platform/sim/HostErrors.h"
#include "platform/sim/PathMap.h"
#include "platform/sim/ShareLocks.h"

namespace plat {

struct TFileStream::Impl {
  int fd = -1;
  bool canWrite = false;
  ~Impl() {
    if (fd >= 0) ::close(fd);  // closing drops the share markers
  }
};

namespace {

bool IsCreateNew(uint16_t mode) {
  return (mode & 0xFF00) == fmCreateNew;
}

bool IsCreate(uint16_t mode) {
  return (mode & 0xFF00) == fmCreate || IsCreateNew(mode);
}

[[noreturn]] void RaiseOpenError(std::string_view name, uint16_t mode, uint32_t error) {
  SetLastError(error);
  std::string text = "\"" + std::string(name) + "\". " + SysErrorMessage(error);
  if (IsCreate(mode)) throw EFCreateError("Cannot create file " + text);
  throw EFOpenError("Cannot open file " + text);
}

// Opens the host file; fresh tells whether this call created it.
int OpenHost(const sim::ResolvedPath& r, bool create, bool write, bool& fresh) {
  int flags = (write ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  fresh = false;
  if (!r.exists && create) {
    int fd = ::open(r.host.c_str(), flags | O_CREAT | O_EXCL, 0644);
    if (fd >= 0 || errno != EEXIST) {
      fresh = fd >= 0;
      return fd;
    }
  }
  return ::open(r.host.c_str(), flags);
}

}  // namespace

TFileStream::TFileStream(std::string_view fileName, uint16_t mode)
    : fileName_(fileName), impl_(std::make_unique<Impl>()) {
  bool create = IsCreate(mode);
  sim::ShareRequest share = sim::ShareRequestOf(mode);
  sim::ResolvedPath r = sim::ResolvePath(fileName);
  if (r.error) RaiseOpenError(fileName, mode, r.error);
  if (r.isRoot || (r.exists && r.isDirectory)) RaiseOpenError(fileName, mode, ERROR_ACCESS_DENIED);
  if (r.exists && IsCreateNew(mode)) RaiseOpenError(fileName, mode, ERROR_FILE_EXISTS);
  if (!r.exists && (!create || !r.parentExists))
    RaiseOpenError(fileName, mode, r.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
  if (share.write && r.drive && r.drive->type == DRIVE_CDROM)
    RaiseOpenError(fileName, mode, ERROR_ACCESS_DENIED);
  if (r.exists && share.write) {
    uint32_t attr = sim::ReadAttributes(r.host);
    // A read-only file is not written or replaced; a hidden or system file is not replaced by a
    // create that does not ask for those attributes.
    if (attr != kInvalidAttributes &&
        ((attr & faReadOnly) || (create && (attr & (faHidden | faSysFile)))))
      RaiseOpenError(fileName, mode, ERROR_ACCESS_DENIED);
  }

  // The short name is claimed before the file exists, so that a re-read of the folder in
  // between does not give the new file a generated one.
  std::string shortName = r.exists ? "" : sim::ClaimShortName(r.parentHost, r.name);
  bool fresh = false;
  int fd = OpenHost(r, create, share.write, fresh);
  if (fd < 0) RaiseOpenError(fileName, mode, sim::Win32ErrorOf(errno));
  if (!fresh && IsCreateNew(mode)) {
    ::close(fd);  // another writer created it since the path was resolved
    RaiseOpenError(fileName, mode, ERROR_FILE_EXISTS);
  }
  impl_->fd = fd;
  impl_->canWrite = share.write;
  bool shared;
  if (fresh) {
    shared = sim::RegisterShare(fd, share);
  } else {
    sim::MachineLock lock;
    shared = sim::RegisterShare(fd, share);
  }
  if (!shared) {
    // Another handle opened the new file between its creation and the registration of this
    // one: the file is theirs now and stays, with whatever they have written to it.
    if (fresh) sim::NoteDirectoryChanged(r.parentHost, r.hostName, true, false, shortName);
    RaiseOpenError(fileName, mode, ERROR_SHARING_VIOLATION);
  }
  if (create && !fresh && ::ftruncate(fd, 0) != 0)
    RaiseOpenError(fileName, mode, sim::Win32ErrorOf(errno));
  if (fresh) {
    sim::NoteDirectoryChanged(r.parentHost, r.hostName, true, false, shortName);
  }
  SetLastError(ERROR_SUCCESS);
}

TFileStream::~TFileStream() = default;

int32_t TFileStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  char* p = static_cast<char*>(buffer);
  int32_t done = 0;
  while (done < count) {
    ssize_t n = ::read(impl_->fd, p + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetLastError(sim::Win32ErrorOf(errno));
      break;
    }
    if (n == 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  if (!impl_->canWrite) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  const char* p = static_cast<const char*>(buffer);
  int32_t done = 0;
  while (done < count) {
    ssize_t n = ::write(impl_->fd, p + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      SetLastError(n < 0 ? sim::Win32ErrorOf(errno) : ERROR_DISK_FULL);
      break;
    }
    done += static_cast<int32_t>(n);
  }
  return done;
}

int64_t TFileStream::Seek(int64_t offset, int origin) {
  int whence;
  switch (origin) {
    case soBeginning:
      whence = SEEK_SET;
      break;
    case soCurrent:
      whence = SEEK_CUR;
      break;
    case soEnd:
      whence = SEEK_END;
      break;
    default:
      throw EStreamError("Invalid stream seek origin " + std::to_string(origin));
  }
  off_t pos = ::lseek(impl_->fd, static_cast<off_t>(offset), whence);
  if (pos < 0) {
    SetLastError(sim::Win32ErrorOf(errno));
    return -1;
  }
  return static_cast<int64_t>(pos);
}

int64_t TFileStream::Size() {
  struct stat st {};
  if (::fstat(impl_->fd, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

void TFileStream::SetSize(int64_t size) {
  if (!impl_->canWrite || size < 0 || ::ftruncate(impl_->fd, static_cast<off_t>(size)) != 0) {
    uint32_t e = !impl_->canWrite ? ERROR_ACCESS_DENIED : sim::Win32ErrorOf(errno);
    SetLastError(e);
    throw EStreamError("Cannot set the size of \"" + fileName_ + "\". " + SysErrorMessage(e));
  }
  if (Position() > size) SetPosition(size);
}

bool TFileStream::SetModTime(FileTime time) {
  if (!impl_->canWrite) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;
  int64_t rel = static_cast<int64_t>(time) - static_cast<int64_t>(kUnixEpochAsFileTime);
  struct timespec times[2]{};
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(rel / 10000000);
  times[1].tv_nsec = static_cast<long>((rel % 10000000) * 100);
  if (times[1].tv_nsec < 0) {
    times[1].tv_nsec += 1000000000L;
    times[1].tv_sec -= 1;
  }
  if (::futimens(impl_->fd, times) != 0) {
    SetLastError(sim::Win32ErrorOf(errno));
    return false;
  }
  return true;
}

bool TFileStream::GetModTime(FileTime& time) {
  struct stat st {};
  if (::fstat(impl_->fd, &st) != 0) {
    SetLastError(sim::Win32ErrorOf(errno));
    return false;
  }
  time = 116444736000000000ULL + static_cast<uint64_t>(st.st_mtim.tv_sec) * 10000000ULL +
         static_cast<uint64_t>(st.st_mtim.tv_nsec) / 100;
  return true;
}

intptr_t TFileStream::Handle() const {
  return impl_->fd;
}

}  // namespace plat
