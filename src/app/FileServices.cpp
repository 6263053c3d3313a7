#include "app/FileServices.h"

#include <string>
#include <vector>

#include "app/MessageBoxes.h"
#include "app/RunState.h"
#include "app/Strings.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/System.h"
#include "platform/Text.h"

namespace niv {

namespace {

constexpr uint32_t kPlainFiles =
    plat::faReadOnly | plat::faHidden | plat::faSysFile | plat::faArchive;

// The first file matching the search, or false when there is none.
bool FirstFile(const std::string& pattern, plat::TSearchRec& found) {
  plat::TSearchRec rec;
  bool any = false;
  for (int rc = plat::FindFirst(pattern, kPlainFiles, rec); rc == 0; rc = plat::FindNext(rec)) {
    if ((rec.Attr & plat::faDirectory) == 0) {
      found = rec;
      any = true;
      break;
    }
  }
  plat::FindClose(rec);
  return any;
}

std::vector<std::string> EntriesOf(std::string_view dir) {
  std::vector<std::string> paths;
  plat::TSearchRec rec;
  const std::string prefix = std::string(dir) + "\\";
  for (int rc = plat::FindFirst(prefix + "*.*", plat::faAnyFile, rec); rc == 0;
       rc = plat::FindNext(rec)) {
    if (rec.Name != "." && rec.Name != "..") paths.push_back(prefix + rec.Name);
  }
  plat::FindClose(rec);
  return paths;
}

}  // namespace

bool DeleteFiles(std::string_view dir, std::string_view mask, bool showErrors) {
  const std::string prefix = std::string(dir) + "\\";
  plat::TSearchRec found;
  while (FirstFile(prefix + std::string(mask), found)) {
    const std::string path = prefix + found.Name;
    plat::FileSetAttr(path, found.Attr & ~(plat::faReadOnly | plat::faHidden | plat::faSysFile));
    if (!plat::FileDelete(path)) {
      if (showErrors)
        LangMessageBox(plat::A("Ошибка удаления файла") + path, "Error deleting file " + path,
                       "Error", kErrorBoxFlags);
      return false;
    }
  }
  return true;
}

bool DeleteTree(std::string_view dir, bool showErrors) {
  LogLine(" deleting directory " + std::string(dir));
  if (dir.empty()) return false;
  try {
    DeleteFiles(dir, "*.*", showErrors);
    std::vector<std::string> entries = EntriesOf(dir);
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) DeleteTree(*it, showErrors);
    bool removed = plat::RemoveDir(dir);
    LogLine(" directory " + std::string(dir) + (removed ? " was deleted" : " was not deleted"));
    return removed;
  } catch (const plat::Exception& e) {
    LogLine(e.ClassName() + " : " + e.Message());
    return false;
  }
}

int64_t FreeDiskSpaceK(std::string_view path) {
  const std::string root = WithTrailingBackslash(path);
  uint64_t freeBytes = 0;
  plat::TOSVersionInfo version = plat::GetOSVersion();
  if (version.PlatformId == plat::VER_PLATFORM_WIN32_WINDOWS &&
      (version.BuildNumber & 0xFFFF) <= 1000) {
    uint32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!plat::DiskFreeSpace(root, sectorsPerCluster, bytesPerSector, freeClusters, totalClusters))
      return 0;
    freeBytes = uint64_t{freeClusters} * sectorsPerCluster * bytesPerSector;
  } else {
    uint64_t freeToCaller = 0, totalBytes = 0;
    if (!plat::DiskFreeSpaceEx(root, freeToCaller, totalBytes, freeBytes)) return 0;
  }
  return static_cast<int64_t>((freeBytes + 512) / 1024);
}

}  // namespace niv
