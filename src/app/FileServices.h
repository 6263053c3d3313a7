#pragma once
// Deleting files and directory trees, and the free space of a drive.
#include <cstdint>
#include <string_view>

namespace niv {

// Deletes the files of dir matching mask (read-only, hidden and system ones too; directories are
// left). True when none is left; false at the first file that cannot be deleted, which is shown
// in an error box when showErrors is set.
bool DeleteFiles(std::string_view dir, std::string_view mask, bool showErrors);
// Deletes dir with everything in it; true when dir itself was removed.
bool DeleteTree(std::string_view dir, bool showErrors);
// Free space of the drive of path in units of 1024 bytes, rounded; 0 when it cannot be queried.
int64_t FreeDiskSpaceK(std::string_view path);

}  // namespace niv
