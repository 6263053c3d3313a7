#pragma once
// Share modes between the handles of all processes of a machine. Every open handle holds shared
// open-file-description locks on marker bytes far beyond any data: "has reader", "has writer",
// "denies read", "denies write" and "open". Another handle's markers are seen with F_OFD_GETLK;
// the kernel drops them when the handle closes or its process ends. A handle that reads, writes
// and denies both holds one exclusive lock on all markers instead. Checks and registration run
// under the machine lock (flock on share.lock in the machine folder, and a mutex for the threads
// of this process).
#include <cstdint>

namespace plat::sim {

struct ShareRequest {
  bool read = false;
  bool write = false;
  bool denyRead = false;
  bool denyWrite = false;
};

// The share request of an open mode and share mode of TFileStream.
ShareRequest ShareRequestOf(uint16_t mode);

class MachineLock {
 public:
  MachineLock();
  ~MachineLock();
  MachineLock(const MachineLock&) = delete;
  MachineLock& operator=(const MachineLock&) = delete;

 private:
  int fd_ = -1;
};

// With fd open for reading on the file: true when the request agrees with the other handles,
// and then its markers stay set on fd. Opens of existing files run under the machine lock; a
// file just created with O_EXCL needs no lock.
bool RegisterShare(int fd, const ShareRequest& request);
// True when a handle other than fd has the file open.
bool OpenByOthers(int fd);

}  // namespace plat::sim
