#include "platform/sim/MachineConfig.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace plat::sim {
namespace {

struct DriveTypeName {
  uint32_t type;
  const char* name;
};
constexpr DriveTypeName kDriveTypeNames[] = {
    {DRIVE_FIXED, "fixed"},    {DRIVE_REMOVABLE, "removable"}, {DRIVE_REMOTE, "network"},
    {DRIVE_CDROM, "cdrom"},    {DRIVE_RAMDISK, "ramdisk"},     {DRIVE_NO_ROOT_DIR, "none"},
    {DRIVE_UNKNOWN, "unknown"}};

const char* DriveTypeToName(uint32_t type) {
  for (const auto& t : kDriveTypeNames)
    if (t.type == type) return t.name;
  return "unknown";
}

bool DriveTypeFromName(const std::string& name, uint32_t& type) {
  for (const auto& t : kDriveTypeNames)
    if (AsciiSameText(name, t.name)) {
      type = t.type;
      return true;
    }
  return false;
}

std::string Strip(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

class IniError {
 public:
  IniError(std::string file) : file_(std::move(file)) {}
  [[noreturn]] void Raise(int line, const std::string& what) const {
    throw Exception("Damaged machine configuration " + file_ + ", line " + std::to_string(line) +
                    ": " + what);
  }

 private:
  std::string file_;
};

bool ParseInt64(const std::string& s, int64_t& value) {
  if (s.empty()) return false;
  size_t i = 0;
  bool neg = false;
  if (s[0] == '-' || s[0] == '+') {
    neg = s[0] == '-';
    i = 1;
  }
  if (i == s.size()) return false;
  uint64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + static_cast<uint64_t>(s[i] - '0');
    if (v > (1ull << 62)) return false;
  }
  value = neg ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
  return true;
}

bool IsWindowsDirPath(const std::string& s) {
  return s.size() >= 3 && std::isalpha(static_cast<unsigned char>(s[0])) && s[1] == ':' &&
         s[2] == '\\';
}

void ApplyMachineKey(MachineConfig& c, const std::string& key, const std::string& value, int line,
                     const IniError& err) {
  auto number = [&](int64_t lo, int64_t hi) {
    int64_t v = 0;
    if (!ParseInt64(value, v) || v < lo || v > hi)
      err.Raise(line, "'" + value + "' is not a valid value for " + key);
    return v;
  };
  auto codePage = [&]() {
    int64_t v = number(1, 65535);
    if (v != 866 && v != 1251 && v != 437 && v != 1252)
      err.Raise(line, "code page " + value + " is not one of 866, 1251, 437, 1252");
    return static_cast<int>(v);
  };
  auto dir = [&]() {
    if (!IsWindowsDirPath(value)) err.Raise(line, "'" + value + "' is not a directory path");
    return value;
  };
  if (AsciiSameText(key, "Family")) {
    if (AsciiSameText(value, "NT"))
      c.family9x = false;
    else if (AsciiSameText(value, "9x"))
      c.family9x = true;
    else
      err.Raise(line, "Family must be NT or 9x, not '" + value + "'");
  } else if (AsciiSameText(key, "Build")) {
    c.buildNumber = static_cast<uint32_t>(number(0, 0xFFFF));
  } else if (AsciiSameText(key, "Version")) {
    size_t dot = value.find('.');
    int64_t major = 0, minor = 0;
    if (dot == std::string::npos || !ParseInt64(value.substr(0, dot), major) ||
        !ParseInt64(value.substr(dot + 1), minor) || major < 0 || minor < 0 || major > 255 ||
        minor > 255)
      err.Raise(line, "Version must be MAJOR.MINOR, not '" + value + "'");
    c.majorVersion = static_cast<uint32_t>(major);
    c.minorVersion = static_cast<uint32_t>(minor);
  } else if (AsciiSameText(key, "WindowsDir")) {
    c.windowsDir = dir();
  } else if (AsciiSameText(key, "SystemDir")) {
    c.systemDir = dir();
  } else if (AsciiSameText(key, "TempDir")) {
    c.tempDir = dir();
  } else if (AsciiSameText(key, "OEMCodePage")) {
    c.oemCodePage = codePage();
  } else if (AsciiSameText(key, "ANSICodePage")) {
    c.ansiCodePage = codePage();
  } else {
    c.SetExtra(key, value);
  }
}

void ApplyDriveKey(MachineDrive& d, const std::string& key, const std::string& value, int line,
                   const IniError& err) {
  if (AsciiSameText(key, "Type")) {
    if (!DriveTypeFromName(value, d.type)) err.Raise(line, "unknown drive type '" + value + "'");
  } else if (AsciiSameText(key, "Label")) {
    d.label = value;
  } else if (AsciiSameText(key, "FreeK")) {
    if (!ParseInt64(value, d.freeK) || d.freeK < -1)
      err.Raise(line, "'" + value + "' is not a valid free space");
  } else if (AsciiSameText(key, "HostDir")) {
    if (!value.empty() && value[0] != '/')
      err.Raise(line, "HostDir must be an absolute host path, not '" + value + "'");
    d.hostDir = value;
  } else if (AsciiSameText(key, "Share")) {
    if (!value.empty() && (value.size() < 5 || value.compare(0, 2, "\\\\") != 0 ||
                           value.find('\\', 2) == std::string::npos))
      err.Raise(line, "Share must be \\\\SERVER\\SHARE, not '" + value + "'");
    d.share = value;
  } else if (AsciiSameText(key, "Serial")) {
    char* end = nullptr;
    unsigned long v = std::strtoul(value.c_str(), &end, 16);
    if (value.empty() || *end != '\0' || v > 0xFFFFFFFFul)
      err.Raise(line, "'" + value + "' is not a hexadecimal serial number");
    d.serial = static_cast<uint32_t>(v);
  } else {
    err.Raise(line, "unknown key '" + key + "'");
  }
}

uint32_t DefaultSerial(char letter) {
  return 0x1A2B0000u + static_cast<uint32_t>(letter) * 0x101u;
}

MachineConfig ParseMachineIni(std::istream& in, const std::string& fileName) {
  IniError err(fileName);
  MachineConfig c;
  c.drives.clear();
  enum { kNone, kMachine, kDrive } section = kNone;
  bool sawMachine = false;
  std::string raw;
  int line = 0;
  while (std::getline(in, raw)) {
    ++line;
    std::string text = Strip(raw);
    if (text.empty() || text[0] == ';' || text[0] == '#') continue;
    if (text[0] == '[') {
      if (text.back() != ']') err.Raise(line, "section header without ']'");
      std::string name = Strip(text.substr(1, text.size() - 2));
      if (AsciiSameText(name, "Machine")) {
        section = kMachine;
        sawMachine = true;
      } else if (name.size() == 7 && AsciiSameText(name.substr(0, 6), "Drive ") &&
                 std::isalpha(static_cast<unsigned char>(name[6]))) {
        char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[6])));
        if (c.FindDrive(letter)) err.Raise(line, std::string("drive ") + letter + " twice");
        MachineDrive d;
        d.letter = letter;
        d.serial = DefaultSerial(letter);
        c.drives.push_back(d);
        section = kDrive;
      } else {
        err.Raise(line, "unknown section [" + name + "]");
      }
      continue;
    }
    size_t eq = text.find('=');
    if (eq == std::string::npos) err.Raise(line, "a line without '='");
    std::string key = Strip(text.substr(0, eq));
    std::string value = Strip(text.substr(eq + 1));
    if (key.empty()) err.Raise(line, "a value without a name");
    if (section == kMachine)
      ApplyMachineKey(c, key, value, line, err);
    else if (section == kDrive)
      ApplyDriveKey(c.drives.back(), key, value, line, err);
    else
      err.Raise(line, "a value outside a section");
  }
  if (!sawMachine) err.Raise(line == 0 ? 1 : line, "no [Machine] section");
  if (!c.FindDrive('C')) err.Raise(line == 0 ? 1 : line, "no drive C");
  return c;
}

std::string IniPath(const std::string& hostDir) {
  return hostDir + "/machine.ini";
}

}  // namespace

const MachineDrive* MachineConfig::FindDrive(char letter) const {
  char up = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  for (const auto& d : drives)
    if (d.letter == up) return &d;
  return nullptr;
}

const MachineDrive* MachineConfig::FindShare(const std::string& uncRoot) const {
  for (const auto& d : drives)
    if (!d.share.empty() && AsciiSameText(d.share, uncRoot)) return &d;
  return nullptr;
}

std::string MachineConfig::DriveHostDir(const MachineDrive& drive) const {
  if (!drive.hostDir.empty()) return drive.hostDir;
  return machineDir + "/drives/" + std::string(1, drive.letter);
}

std::string MachineConfig::Extra(const std::string& key) const {
  for (const auto& [k, v] : extra)
    if (AsciiSameText(k, key)) return v;
  return "";
}

void MachineConfig::SetExtra(const std::string& key, const std::string& value) {
  for (auto& [k, v] : extra)
    if (AsciiSameText(k, key)) {
      v = value;
      return;
    }
  extra.emplace_back(key, value);
}

MachineConfig DefaultMachineConfig(const MachineOptions& options) {
  MachineConfig c;
  c.family9x = options.family9x;
  if (options.family9x) {
    c.buildNumber = options.buildNumber ? options.buildNumber : 950;
    c.majorVersion = 4;
    c.minorVersion = 0;
    c.systemDir = "C:\\WINDOWS\\SYSTEM";
  } else {
    c.buildNumber = options.buildNumber ? options.buildNumber : 1381;
    c.majorVersion = 4;
    c.minorVersion = 0;
    c.systemDir = "C:\\WINDOWS\\SYSTEM32";
  }
  c.oemCodePage = options.oemCodePage;
  c.ansiCodePage = options.ansiCodePage;
  MachineDrive system;
  system.letter = 'C';
  system.type = DRIVE_FIXED;
  system.serial = DefaultSerial('C');
  c.drives.push_back(system);
  for (const DriveSpec& spec : options.drives) {
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(spec.letter)));
    if (letter < 'A' || letter > 'Z')
      throw Exception("Invalid drive letter '" + std::string(1, spec.letter) + "'");
    MachineDrive d;
    d.letter = letter;
    d.type = spec.type;
    d.label = spec.label;
    d.freeK = spec.freeK;
    d.hostDir = spec.hostDir;
    d.serial = DefaultSerial(letter);
    if (MachineDrive* existing = const_cast<MachineDrive*>(c.FindDrive(letter)))
      *existing = d;
    else
      c.drives.push_back(d);
  }
  return c;
}

MachineConfig LoadMachineConfig(const std::string& hostDir) {
  std::string path = IniPath(hostDir);
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw Exception("Cannot read the machine configuration " + path + ": " + std::strerror(errno));
  MachineConfig c = ParseMachineIni(in, path);
  c.machineDir = hostDir;
  return c;
}

void SaveMachineConfig(const std::string& hostDir, const MachineConfig& c) {
  std::ostringstream out;
  out << "[Machine]\n"
      << "Family=" << (c.family9x ? "9x" : "NT") << "\n"
      << "Build=" << c.buildNumber << "\n"
      << "Version=" << c.majorVersion << "." << c.minorVersion << "\n"
      << "WindowsDir=" << c.windowsDir << "\n"
      << "SystemDir=" << c.systemDir << "\n"
      << "TempDir=" << c.tempDir << "\n"
      << "OEMCodePage=" << c.oemCodePage << "\n"
      << "ANSICodePage=" << c.ansiCodePage << "\n";
  for (const auto& [k, v] : c.extra) out << k << "=" << v << "\n";
  for (const MachineDrive& d : c.drives) {
    char serial[16];
    std::snprintf(serial, sizeof serial, "%08X", d.serial);
    out << "\n[Drive " << d.letter << "]\n"
        << "Type=" << DriveTypeToName(d.type) << "\n"
        << "Label=" << d.label << "\n"
        << "FreeK=" << d.freeK << "\n"
        << "HostDir=" << d.hostDir << "\n"
        << "Share=" << d.share << "\n"
        << "Serial=" << serial << "\n";
  }
  std::string text = out.str();
  std::string path = IniPath(hostDir);
  std::string tmp = path + ".tmp." + std::to_string(getpid());
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw Exception("Cannot write " + path + ": " + std::strerror(errno));
  ssize_t n = ::write(fd, text.data(), text.size());
  bool ok = n == static_cast<ssize_t>(text.size()) && ::fsync(fd) == 0;
  ::close(fd);
  if (!ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
    int e = errno;
    ::unlink(tmp.c_str());
    throw Exception("Cannot write " + path + ": " + std::strerror(e));
  }
}

namespace {

// Tells whether machine.ini may have changed since the last call. An inotify watch on the machine
// folder, read without blocking, costs no path lookup; the kernel queues an event before the
// write that causes it returns, so a change by this or another process is never missed. Where
// inotify is unavailable, the file's identity, size and time are compared on every call.
class IniWatch {
 public:
  ~IniWatch() {
    if (fd_ >= 0) ::close(fd_);
  }

  // True when the cached configuration of dir must be read again. Starts a watch on dir when
  // there is none yet; the caller then reads the file, so no change escapes between the two.
  bool Changed(const std::string& dir) {
    if (Forked()) {
      // The queue is shared with the parent: reading it would take the parent's events.
      if (fd_ >= 0) ::close(fd_);
      fd_ = watch_ = -1;
      dir_.clear();
    }
    if (dir != dir_) {
      dir_ = dir;
      valid_ = false;
      Watch();
    }
    if (watch_ < 0) return StatChanged();
    if (Drain()) valid_ = false;
    return !valid_;
  }

  // The file was read: remembers its state for the fallback check.
  void Loaded(const struct stat& st) {
    st_ = st;
    valid_ = true;
  }

 private:
  static constexpr uint32_t kMask = IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_CREATE | IN_DELETE |
                                    IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF |
                                    IN_ONLYDIR;

  static bool Forked() {
    static std::atomic<bool> forked{false};
    static const int registered =
        ::pthread_atfork(nullptr, nullptr, [] { forked.store(true, std::memory_order_relaxed); });
    (void)registered;
    return forked.exchange(false, std::memory_order_relaxed);
  }

  void Watch() {
    if (fd_ < 0) fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return;
    if (watch_ >= 0) ::inotify_rm_watch(fd_, watch_);
    watch_ = ::inotify_add_watch(fd_, dir_.c_str(), kMask);
    Drain();  // events of the folder watched before
  }

  // Reads all queued events; true when one may concern machine.ini. A lost watch (the folder
  // went away) or an overflowing queue count as a change and fall back to the plain check.
  bool Drain() {
    bool changed = false;
    alignas(struct inotify_event) char buf[4096];
    for (;;) {
      ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n <= 0) {
        if (n < 0 && errno == EINTR) continue;
        break;
      }
      for (ssize_t at = 0; at < n;) {
        const auto* e = reinterpret_cast<const struct inotify_event*>(buf + at);
        at += static_cast<ssize_t>(sizeof(struct inotify_event) + e->len);
        if (e->mask & (IN_Q_OVERFLOW | IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
          changed = true;
          if ((e->mask & IN_IGNORED) && e->wd == watch_) watch_ = -1;
        } else if (e->len == 0 || std::strcmp(e->name, "machine.ini") == 0) {
          changed = true;
        }
      }
    }
    return changed;
  }

  bool StatChanged() const {
    struct stat st {};
    if (!valid_ || ::stat(IniPath(dir_).c_str(), &st) != 0) return true;
    return st.st_size != st_.st_size || st.st_ino != st_.st_ino || st.st_dev != st_.st_dev ||
           st.st_mtim.tv_sec != st_.st_mtim.tv_sec || st.st_mtim.tv_nsec != st_.st_mtim.tv_nsec;
  }

  int fd_ = -1;
  int watch_ = -1;
  std::string dir_;
  bool valid_ = false;
  struct stat st_ {};
};

}  // namespace

const MachineConfig& CurrentMachine() {
  static std::mutex mutex;
  static std::deque<std::unique_ptr<MachineConfig>> all;  // kept: references stay valid
  static IniWatch watch;
  static const MachineConfig* cached = nullptr;
  std::string dir = CurrentMachineDir();
  if (dir.empty()) throw Exception("No simulated machine is chosen (set NIVSIM_MACHINE)");
  std::lock_guard<std::mutex> lock(mutex);
  bool changed = watch.Changed(dir);  // also starts the watch before the first read
  if (cached && !changed) return *cached;
  cached = nullptr;
  struct stat st {};
  std::string path = IniPath(dir);
  if (::stat(path.c_str(), &st) != 0)
    throw Exception("Cannot read the machine configuration " + path + ": " + std::strerror(errno));
  all.push_back(std::make_unique<MachineConfig>(LoadMachineConfig(dir)));
  watch.Loaded(st);
  cached = all.back().get();
  return *cached;
}

}  // namespace plat::sim
