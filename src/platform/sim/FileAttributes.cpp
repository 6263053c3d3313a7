#include "platform/sim/FileAttributes.h"

#include <sys/xattr.h>

#include <cerrno>
#include <cstdlib>

#include "platform/Files.h"

namespace plat::sim {
namespace {

constexpr const char* kAttrName = "user.nivsim.attr";
constexpr const char* kShortName = "user.nivsim.short";
constexpr uint32_t kStoredMask = faReadOnly | faHidden | faSysFile | faArchive;

bool ReadXattr(const std::string& host, const char* name, std::string& value) {
  char buf[64];
  ssize_t n = ::getxattr(host.c_str(), name, buf, sizeof buf - 1);
  if (n < 0) return false;
  value.assign(buf, static_cast<size_t>(n));
  return true;
}

}  // namespace

uint32_t AttributesFromStat(const std::string& host, const struct stat& st) {
  bool dir = S_ISDIR(st.st_mode);
  uint32_t attr = 0;
  std::string stored;
  if (ReadXattr(host, kAttrName, stored)) {
    attr = static_cast<uint32_t>(std::strtoul(stored.c_str(), nullptr, 10)) & kStoredMask;
  } else {
    attr = dir ? 0 : faArchive;
    if ((st.st_mode & 0222) == 0) attr |= faReadOnly;
  }
  if (dir) attr |= faDirectory;
  return attr;
}

uint32_t ReadAttributes(const std::string& host) {
  struct stat st {};
  if (::stat(host.c_str(), &st) != 0) return kInvalidAttributes;
  return AttributesFromStat(host, st);
}

bool StoreAttributes(const std::string& host, uint32_t attributes) {
  struct stat st {};
  if (::stat(host.c_str(), &st) != 0) return false;
  uint32_t attr = attributes & kStoredMask;
  std::string text = std::to_string(attr);
  if (::setxattr(host.c_str(), kAttrName, text.data(), text.size(), 0) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  mode_t wanted = (attr & faReadOnly) ? (mode & ~0222) : (mode | 0200);
  if (!S_ISDIR(st.st_mode) && wanted != mode) ::chmod(host.c_str(), wanted);
  return true;
}

std::string ReadStoredShortName(const std::string& host) {
  std::string value;
  return ReadXattr(host, kShortName, value) ? value : "";
}

void ForgetShortName(const std::string& host) {
  ::removexattr(host.c_str(), kShortName);
}

bool StoreShortName(const std::string& host, const std::string& shortName) {
  return ::setxattr(host.c_str(), kShortName, shortName.data(), shortName.size(), 0) == 0;
}

}  // namespace plat::sim
