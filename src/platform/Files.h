#pragma once
// Files and directories of the machine, named by Windows paths. Functions that can fail return a
// flag (or an invalid value) and leave the platform's error code in LastError(), as Win32 does.
#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

// File attributes (Win32 values).
constexpr uint32_t faReadOnly = 0x01;
constexpr uint32_t faHidden = 0x02;
constexpr uint32_t faSysFile = 0x04;
constexpr uint32_t faVolumeID = 0x08;
constexpr uint32_t faDirectory = 0x10;
constexpr uint32_t faArchive = 0x20;
constexpr uint32_t faNormal = 0x80;
constexpr uint32_t faAnyFile = 0x3F;
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;

// Win32 error codes the layer reports.
constexpr uint32_t ERROR_SUCCESS = 0;
constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
constexpr uint32_t ERROR_PATH_NOT_FOUND = 3;
constexpr uint32_t ERROR_ACCESS_DENIED = 5;
constexpr uint32_t ERROR_INVALID_HANDLE = 6;
constexpr uint32_t ERROR_NOT_READY = 21;
constexpr uint32_t ERROR_SHARING_VIOLATION = 32;
constexpr uint32_t ERROR_HANDLE_DISK_FULL = 39;
constexpr uint32_t ERROR_FILE_EXISTS = 80;
constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
constexpr uint32_t ERROR_DISK_FULL = 112;
constexpr uint32_t ERROR_INVALID_NAME = 123;
constexpr uint32_t ERROR_MOD_NOT_FOUND = 126;
constexpr uint32_t ERROR_PROC_NOT_FOUND = 127;
constexpr uint32_t ERROR_DIR_NOT_EMPTY = 145;
constexpr uint32_t ERROR_ALREADY_EXISTS = 183;
constexpr uint32_t ERROR_NO_MORE_FILES = 18;

uint32_t LastError();
void SetLastError(uint32_t code);
std::string SysErrorMessage(uint32_t code);  // the platform's text for an error code

// Times. FileTime: 100-nanosecond intervals since 1601-01-01 UTC. DosDateTime: the FAT/ZIP
// local date and time, date in the high 16 bits, time (2-second resolution) in the low.
using FileTime = uint64_t;
using DosDateTime = uint32_t;
FileTime DosDateTimeToFileTime(DosDateTime dos);  // the machine's local time to UTC
DosDateTime FileTimeToDosDateTime(FileTime ft);   // UTC to the machine's local time
FileTime FileTimeNow();

bool FileExists(std::string_view path);       // an existing file (not a directory)
bool DirectoryExists(std::string_view path);  // an existing directory (a drive root too)
uint32_t FileGetAttr(std::string_view path);  // kInvalidAttributes when it does not exist
bool FileSetAttr(std::string_view path, uint32_t attributes);
int64_t FileSizeOf(std::string_view path);    // -1 when it does not exist
bool FileGetModTime(std::string_view path, FileTime& time);
bool FileSetModTime(std::string_view path, FileTime time);

bool CreateDir(std::string_view path);  // one directory; its parent must exist
bool RemoveDir(std::string_view path);  // an empty directory only
bool FileDelete(std::string_view path);  // fails on read-only files and open files that deny it
bool FileCopy(std::string_view source, std::string_view dest, bool failIfExists);
bool FileRename(std::string_view oldPath, std::string_view newPath);

// Directory search in the FindFirst/FindNext shape. The attribute filter works as Windows's:
// entries without hidden, system or directory attributes always match; an entry with one of
// those matches only when the filter holds it; faVolumeID alone finds the volume label.
struct TSearchRec {
  std::string Name;  // the name as created, without the path
  uint32_t Attr = 0;
  int64_t Size = 0;
  DosDateTime Time = 0;  // the modification time, local
  FileTime WriteTime = 0;
  std::string ShortName;  // 8.3 name, or "" when the name is already one
  void* FindHandle = nullptr;
  uint32_t ExcludeAttr = 0;
};
// Returns 0 on success, else the error code (ERROR_FILE_NOT_FOUND, ERROR_NO_MORE_FILES, ...).
int FindFirst(std::string_view pathWithMask, uint32_t attr, TSearchRec& rec);
int FindNext(TSearchRec& rec);
void FindClose(TSearchRec& rec);
// '*' and '?' matching as the Win32 search does it (case-insensitive, "*.*" matches names
// without a dot).
bool MatchesMask(std::string_view name, std::string_view mask);

std::string GetCurrentDir();  // without a trailing backslash except for a drive root
bool SetCurrentDir(std::string_view path);

// Drives. Root: "C:\" (or "\\Server\Share\").
constexpr uint32_t DRIVE_UNKNOWN = 0;
constexpr uint32_t DRIVE_NO_ROOT_DIR = 1;
constexpr uint32_t DRIVE_REMOVABLE = 2;
constexpr uint32_t DRIVE_FIXED = 3;
constexpr uint32_t DRIVE_REMOTE = 4;
constexpr uint32_t DRIVE_CDROM = 5;
constexpr uint32_t DRIVE_RAMDISK = 6;
uint32_t DriveType(std::string_view root);
uint32_t LogicalDrives();  // bit 0 = A:, bit 2 = C:, ...
bool VolumeInformation(std::string_view root, std::string& label, uint32_t& serial);
// The old query: at most 2 GB worth of clusters are reported, as on the first 9x releases.
bool DiskFreeSpace(std::string_view root, uint32_t& sectorsPerCluster, uint32_t& bytesPerSector,
                   uint32_t& freeClusters, uint32_t& totalClusters);
// The extended query, for any directory of the drive.
bool DiskFreeSpaceEx(std::string_view directory, uint64_t& freeToCaller, uint64_t& totalBytes,
                     uint64_t& totalFree);
std::string ShortPathName(std::string_view path);  // "" when the path does not exist

}  // namespace plat
