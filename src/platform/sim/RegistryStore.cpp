#include "platform/sim/RegistryStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

#include "platform/Text.h"

namespace plat::sim {

namespace {

std::string ErrnoText(int error) {
  return std::strerror(error);
}

// What tells a changed registry.reg from the one read before: a counter in the lock file that
// every save of ours raises, and the file's identity, size and time for changes made otherwise.
struct FileSignature {
  uint64_t generation = 0;
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  int64_t mtimeNs = 0;
  bool operator==(const FileSignature&) const = default;
};

// The lock on registry.lock for one access. It is opened anew each time, so that a forked child
// takes its own lock rather than sharing its parent's.
class RegistryLock {
 public:
  RegistryLock(const std::string& machineDir, bool exclusive) {
    const std::string path = machineDir + "/registry.lock";
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0 && !exclusive) fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
      const int error = errno;
      struct stat st {};
      if (!exclusive && ::stat(machineDir.c_str(), &st) == 0) return;  // read-only: no lock
      throw ERegistryException("Cannot use the registry of the machine \"" + machineDir +
                               "\": " + ErrnoText(error));
    }
    while (::flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd_);
      throw ERegistryException("Cannot lock the registry of the machine \"" + machineDir +
                               "\": " + ErrnoText(error));
    }
  }
  ~RegistryLock() {
    if (fd_ >= 0) ::close(fd_);  // releases the lock
  }
  RegistryLock(const RegistryLock&) = delete;
  RegistryLock& operator=(const RegistryLock&) = delete;

  uint64_t Generation() const {
    uint64_t value = 0;
    if (fd_ >= 0 && ::pread(fd_, &value, sizeof value, 0) != sizeof value) value = 0;
    return value;
  }
  // Without the counter other processes still see the new file by its inode, size and time.
  void SetGeneration(uint64_t value) const {
    if (fd_ < 0) return;
    const ssize_t written = ::pwrite(fd_, &value, sizeof value, 0);
    (void)written;
  }

 private:
  int fd_ = -1;
};

struct CachedRegistry {
  std::mutex mutex;  // threads of this process, one access at a time
  bool valid = false;
  FileSignature signature;
  RegTree tree;
};

CachedRegistry& CacheOf(const std::string& machineDir) {
  static std::mutex cacheMutex;
  static std::map<std::string, std::unique_ptr<CachedRegistry>> caches;
  std::lock_guard<std::mutex> guard(cacheMutex);
  auto& entry = caches[std::filesystem::path(machineDir).lexically_normal().string()];
  if (!entry) entry = std::make_unique<CachedRegistry>();
  return *entry;
}

FileSignature SignatureOf(const std::string& file, const RegistryLock& lock) {
  FileSignature sig;
  sig.generation = lock.Generation();
  struct stat st {};
  if (::stat(file.c_str(), &st) == 0) {
    sig.exists = true;
    sig.device = st.st_dev;
    sig.inode = st.st_ino;
    sig.size = st.st_size;
    sig.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  }
  return sig;
}

std::string ReadWholeFile(const std::string& file, bool& exists) {
  exists = false;
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return {};
    throw ERegistryException("Cannot read the registry file \"" + file + "\": " + ErrnoText(errno));
  }
  exists = true;
  std::string data;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      throw ERegistryException("Cannot read the registry file \"" + file +
                               "\": " + ErrnoText(error));
    }
    if (n == 0) break;
    data.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return data;
}

// Brings the cache up to date with registry.reg; the caller holds the lock.
void Refresh(CachedRegistry& cache, const std::string& machineDir, const RegistryLock& lock) {
  const std::string file = RegistryFileOf(machineDir);
  const FileSignature sig = SignatureOf(file, lock);
  if (cache.valid && cache.signature == sig) return;
  cache.valid = false;
  bool exists = false;
  const std::string bytes = ReadWholeFile(file, exists);
  RegTree tree;
  if (exists) {
    try {
      ApplyRegFile(ParseRegFile(bytes, file), tree);
    } catch (const ERegistryException& e) {
      throw ERegistryDamaged("The registry is damaged: " + e.Message());
    }
  }
  cache.tree = std::move(tree);
  cache.signature = sig;
  cache.valid = true;
}

void WriteAll(int fd, const std::string& data, const std::string& file) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      throw ERegistryException("Cannot write the registry file \"" + file +
                               "\": " + ErrnoText(errno));
    done += static_cast<size_t>(n);
  }
}

void Save(CachedRegistry& cache, const std::string& machineDir, const RegistryLock& lock) {
  const std::string file = RegistryFileOf(machineDir);
  const std::string temp = file + ".tmp";
  const std::string data = "\xFF\xFE" + Utf8ToUtf16Le(FormatRegTree(cache.tree, "\r\n"));
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0)
    throw ERegistryException("Cannot write the registry file \"" + temp +
                             "\": " + ErrnoText(errno));
  try {
    WriteAll(fd, data, temp);
  } catch (...) {
    ::close(fd);
    ::unlink(temp.c_str());
    throw;
  }
  if (::close(fd) != 0 || ::rename(temp.c_str(), file.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    throw ERegistryException("Cannot write the registry file \"" + file +
                             "\": " + ErrnoText(error));
  }
  lock.SetGeneration(lock.Generation() + 1);
  cache.signature = SignatureOf(file, lock);
}

void RequireMachine(const std::string& machineDir) {
  if (machineDir.empty()) throw ERegistryException("No machine is chosen for the registry");
}

}  // namespace

std::string RegistryFileOf(const std::string& machineDir) {
  return machineDir + "/registry.reg";
}

void ReadRegistry(const std::string& machineDir,
                  const std::function<void(const RegTree&)>& reader) {
  RequireMachine(machineDir);
  CachedRegistry& cache = CacheOf(machineDir);
  std::lock_guard<std::mutex> guard(cache.mutex);
  RegistryLock lock(machineDir, false);
  Refresh(cache, machineDir, lock);
  reader(cache.tree);
}

void ChangeRegistry(const std::string& machineDir, const std::function<bool(RegTree&)>& change) {
  RequireMachine(machineDir);
  CachedRegistry& cache = CacheOf(machineDir);
  std::lock_guard<std::mutex> guard(cache.mutex);
  RegistryLock lock(machineDir, true);
  Refresh(cache, machineDir, lock);
  try {
    if (change(cache.tree)) Save(cache, machineDir, lock);
  } catch (...) {
    cache.valid = false;  // the tree in memory may differ from the file now
    throw;
  }
}

std::string ExportRegistry(const std::string& machineDir, const std::string& key) {
  std::string out;
  ReadRegistry(machineDir, [&](const RegTree& tree) {
    if (key.empty()) {
      out = FormatRegTree(tree, "\n");
      return;
    }
    HKEY root = 0;
    std::string path;
    const RegKey* found = SplitFullKey(Utf8ToAnsi(key), root, path) ? tree.Root(root) : nullptr;
    std::string fullName = RootName(root);  // with the names as they were created
    for (std::string_view name : SplitKeyPath(path)) {
      if (found == nullptr) break;
      found = found->FindSubKey(name);
      if (found != nullptr) fullName += "\\" + found->Name();
    }
    if (found == nullptr) throw Exception("The registry key \"" + key + "\" does not exist");
    out = "Windows Registry Editor Version 5.00\n\n";
    FormatRegKey(*found, fullName, "\n", out);
  });
  return out;
}

void ImportRegBytes(const std::string& machineDir, std::string_view bytes,
                    const std::string& source) {
  const RegFileContent content = ParseRegFile(bytes, source);
  ChangeRegistry(machineDir, [&](RegTree& tree) {
    ApplyRegFile(content, tree);
    return true;
  });
}

void ImportRegFile(const std::string& machineDir, const std::string& hostFile) {
  bool exists = false;
  const std::string bytes = ReadWholeFile(hostFile, exists);
  if (!exists) throw ERegistryException("Cannot open the file \"" + hostFile + "\"");
  ImportRegBytes(machineDir, bytes, hostFile);
}

}  // namespace plat::sim
