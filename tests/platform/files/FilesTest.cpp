#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

#include "FilesMachine.h"
#include "platform/Exceptions.h"
#include "platform/Text.h"

namespace {

using namespace plat;
namespace fs = std::filesystem;

class FilesTest : public niv::testing::FilesMachine {
 protected:
  std::vector<std::string> Search(const std::string& mask, uint32_t attr) {
    std::vector<std::string> names;
    TSearchRec rec;
    for (int r = FindFirst(mask, attr, rec); r == 0; r = FindNext(rec)) names.push_back(rec.Name);
    FindClose(rec);
    std::sort(names.begin(), names.end());
    return names;
  }
};

// Each way of changing a file must fail while it is read-only, also for root, and work again
// once the attribute is cleared.
TEST_F(FilesTest, ReadOnlyFilesAreNeitherWrittenReplacedNorDeleted) {
  struct Case {
    const char* what;
    bool (*change)();
  } cases[] = {
      {"open for writing",
       [] {
         try {
           TFileStream f("C:\\ro.txt", fmOpenWrite);
           return true;
         } catch (const EFOpenError&) {
           return false;
         }
       }},
      {"create over it",
       [] {
         try {
           TFileStream f("C:\\ro.txt", fmCreate);
           return true;
         } catch (const EFCreateError&) {
           return false;
         }
       }},
      {"copy over it", [] { return FileCopy("C:\\src.txt", "C:\\ro.txt", false); }},
      {"set its time", [] { return FileSetModTime("C:\\ro.txt", FileTimeNow()); }},
      {"delete it", [] { return FileDelete("C:\\ro.txt"); }},
  };
  Write("C:\\src.txt", "new");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FileSetAttr("C:\\ro.txt", faNormal);
    Write("C:\\ro.txt", "old");
    ASSERT_TRUE(FileSetAttr("C:\\ro.txt", faReadOnly));
    EXPECT_FALSE(c.change());
    EXPECT_EQ(LastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Read("C:\\ro.txt"), "old");
    ASSERT_TRUE(FileSetAttr("C:\\ro.txt", faNormal));
    EXPECT_TRUE(c.change());
  }
  try {
    FileSetAttr("C:\\src.txt", faReadOnly);
    TFileStream f("C:\\src.txt", fmOpenReadWrite);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file \"C:\\src.txt\". Access is denied.");
  }
}

TEST_F(FilesTest, AttributesLastAcrossProcesses) {
  Write("C:\\a.txt", "x");
  EXPECT_EQ(FileGetAttr("C:\\a.txt"), faArchive);
  ASSERT_TRUE(CreateDir("C:\\Dir"));
  EXPECT_EQ(FileGetAttr("C:\\Dir"), faDirectory);
  ASSERT_TRUE(FileSetAttr("C:\\a.txt", faReadOnly | faHidden | faSysFile));
  pid_t child = fork();
  if (child == 0) {
    bool ok = FileGetAttr("C:\\A.TXT") == (faReadOnly | faHidden | faSysFile) &&
              !FileDelete("C:\\a.txt") && LastError() == ERROR_ACCESS_DENIED;
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(FileGetAttr("C:\\missing"), kInvalidAttributes);
  EXPECT_EQ(LastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FilesTest, SearchesTakeAMaskAndAnAttributeFilter) {
  ASSERT_TRUE(CreateDir("C:\\S"));
  ASSERT_TRUE(CreateDir("C:\\S\\Sub.dir"));
  Write("C:\\S\\plain.txt", "1");
  Write("C:\\S\\README", "22");
  Write("C:\\S\\hidden.txt", "");
  Write("C:\\S\\system.dll", "");
  Write("C:\\S\\ro.txt", "");
  FileSetAttr("C:\\S\\hidden.txt", faHidden);
  FileSetAttr("C:\\S\\system.dll", faSysFile);
  FileSetAttr("C:\\S\\ro.txt", faReadOnly);
  using V = std::vector<std::string>;
  struct Case {
    const char* mask;
    uint32_t attr;
    V names;
  } cases[] = {
      {"C:\\S\\*.*", faAnyFile,
       V{".", "..", "README", "Sub.dir", "hidden.txt", "plain.txt", "ro.txt", "system.dll"}},
      {"C:\\S\\*.*", 0, V{"README", "plain.txt", "ro.txt"}},
      {"C:\\S\\*", faReadOnly, V{"README", "plain.txt", "ro.txt"}},
      {"C:\\S\\*.txt", faHidden, V{"hidden.txt", "plain.txt", "ro.txt"}},
      {"C:\\S\\*", faDirectory, V{".", "..", "README", "Sub.dir", "plain.txt", "ro.txt"}},
      {"C:\\S\\*.", 0, V{"README"}},
      {"C:\\S\\p?ain.*", 0, V{"plain.txt"}},
      {"C:\\S\\PLAIN.TXT", 0, V{"plain.txt"}},
      {"C:\\S\\*.dll", faSysFile, V{"system.dll"}},
      {"C:\\S\\*.dll", 0, V{}},
      {"C:\\S\\nothing*", faAnyFile, V{}},
  };
  for (const Case& c : cases) EXPECT_EQ(Search(c.mask, c.attr), c.names) << c.mask;

  TSearchRec rec;
  ASSERT_EQ(FindFirst("C:\\S\\readme", 0, rec), 0);
  EXPECT_EQ(rec.Size, 2);
  EXPECT_EQ(rec.Attr, faArchive);
  EXPECT_NE(rec.Time, 0u);
  EXPECT_EQ(FindNext(rec), static_cast<int>(ERROR_NO_MORE_FILES));
  FindClose(rec);
  EXPECT_EQ(FindFirst("C:\\S\\none*", faAnyFile, rec), static_cast<int>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FindFirst("C:\\NoDir\\*", faAnyFile, rec), static_cast<int>(ERROR_PATH_NOT_FOUND));
  // The drive root has no "." and "..".
  EXPECT_EQ(Search("C:\\*", faDirectory), (V{"S", "WINDOWS"}));
}

TEST_F(FilesTest, MaskMatching) {
  struct Case {
    const char* name;
    const char* mask;
    bool match;
  } cases[] = {
      {"a.txt", "*.*", true},
      {"noext", "*.*", true},
      {"noext", "*.", true},
      {"a.txt", "*.", false},
      {"A.TXT", "a.t?t", true},
      {"ab", "a?", true},
      {"a", "a?", true},
      {"abc", "a?", false},
      {"x.tar.gz", "*.gz", true},
      {"x.tar.gz", "x.*", true},
      {"x", "x.*", true},
      {"setup.idf", "SETUP.IDF", true},
      {"setup.idf", "setup", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " ~ " << c.mask;
}

TEST_F(FilesTest, FoldersAreMadeOneAtATimeAndRemovedOnlyWhenEmpty) {
  EXPECT_FALSE(CreateDir("C:\\A\\B"));
  EXPECT_EQ(LastError(), ERROR_PATH_NOT_FOUND);
  ASSERT_TRUE(CreateDir("C:\\A"));
  EXPECT_FALSE(CreateDir("c:\\a"));
  EXPECT_EQ(LastError(), ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(CreateDir("C:\\A\\B"));
  Write("C:\\A\\B\\f", "x");
  EXPECT_FALSE(RemoveDir("C:\\A"));
  EXPECT_EQ(LastError(), ERROR_DIR_NOT_EMPTY);
  EXPECT_FALSE(RemoveDir("C:\\A\\B\\f"));
  EXPECT_FALSE(FileDelete("C:\\A\\B"));
  EXPECT_EQ(LastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(FileDelete("C:\\A\\B\\F"));
  EXPECT_TRUE(RemoveDir("C:\\a\\b"));
  EXPECT_TRUE(RemoveDir("C:\\A"));
  EXPECT_FALSE(DirectoryExists("C:\\A"));
  EXPECT_TRUE(DirectoryExists("C:\\"));
  EXPECT_TRUE(DirectoryExists("c:"));
  EXPECT_FALSE(RemoveDir("C:\\"));
  EXPECT_FALSE(FileDelete("C:\\missing"));
  EXPECT_EQ(LastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(FileDelete("C:\\missing\\x"));
  EXPECT_EQ(LastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FilesTest, CopyAndRename) {
  Write("C:\\a.txt", "payload");
  FileTime old = DosDateTimeToFileTime((20u << 25) | (3u << 21) | (4u << 16) | (5u << 11));
  ASSERT_TRUE(FileSetModTime("C:\\a.txt", old));
  ASSERT_TRUE(FileSetAttr("C:\\a.txt", faHidden | faArchive));
  ASSERT_TRUE(FileCopy("C:\\a.txt", "C:\\b.txt", true));
  EXPECT_EQ(Read("C:\\b.txt"), "payload");
  EXPECT_EQ(FileGetAttr("C:\\b.txt"), faHidden | faArchive);
  FileTime t = 0;
  ASSERT_TRUE(FileGetModTime("C:\\b.txt", t));
  EXPECT_EQ(t, old);
  EXPECT_FALSE(FileCopy("C:\\a.txt", "C:\\B.TXT", true));
  EXPECT_EQ(LastError(), ERROR_FILE_EXISTS);
  EXPECT_FALSE(FileCopy("C:\\none.txt", "C:\\c.txt", false));
  EXPECT_EQ(LastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(FileExists("C:\\c.txt"));

  EXPECT_FALSE(FileRename("C:\\a.txt", "C:\\b.txt"));
  EXPECT_EQ(LastError(), ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(FileRename("C:\\a.txt", "C:\\WINDOWS\\moved.txt"));
  EXPECT_FALSE(FileExists("C:\\a.txt"));
  EXPECT_EQ(Read("C:\\windows\\MOVED.TXT"), "payload");
  ASSERT_TRUE(FileRename("C:\\windows\\moved.txt", "C:\\windows\\Moved.TXT"));  // case only
  EXPECT_EQ(Search("C:\\WINDOWS\\m*", faHidden), std::vector<std::string>{"Moved.TXT"});
}

// A create-new never empties a file that exists, whatever the case of its name.
TEST_F(FilesTest, CreateNewLeavesAnExistingFileAlone) {
  {
    TFileStream f("C:\\new.log", fmCreateNew);
    f.WriteBuffer("first", 5);
  }
  try {
    TFileStream again("C:\\NEW.LOG", fmCreateNew);
    FAIL() << "a second create-new succeeded";
  } catch (const EFCreateError&) {
    EXPECT_EQ(LastError(), ERROR_FILE_EXISTS);
  }
  EXPECT_EQ(Read("C:\\new.log"), "first");
}

TEST_F(FilesTest, TimesAndSizes) {
  Write("C:\\t.bin", std::string(1000, 'x'));
  EXPECT_EQ(FileSizeOf("C:\\T.BIN"), 1000);
  EXPECT_EQ(FileSizeOf("C:\\none"), -1);
  DosDateTime dos = (26u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
  FileTime ft = DosDateTimeToFileTime(dos);
  EXPECT_EQ(FileTimeToDosDateTime(ft), dos);
  {
    TFileStream f("C:\\t.bin", fmOpenReadWrite);
    ASSERT_TRUE(f.SetModTime(ft));
  }
  FileTime back = 0;
  ASSERT_TRUE(FileGetModTime("C:\\t.bin", back));
  EXPECT_EQ(back, ft);
  TFileStream reader("C:\\t.bin", fmOpenRead | fmShareDenyNone);
  EXPECT_FALSE(reader.SetModTime(ft));  // a read-only handle cannot
  EXPECT_GT(FileTimeNow(), ft);
}

TEST_F(FilesTest, ShortNamesAreStableAndUnique) {
  ASSERT_TRUE(CreateDir("C:\\Program Files"));
  ASSERT_TRUE(CreateDir("C:\\Program Data"));
  Write("C:\\Program Files\\readme.first.txt", "");
  Write("C:\\Program Files\\short.txt", "");
  EXPECT_EQ(ShortPathName("c:\\program files\\README.FIRST.TXT"), "C:\\PROGRA~1\\README~1.TXT");
  EXPECT_EQ(ShortPathName("C:\\Program Data"), "C:\\PROGRA~2");
  EXPECT_EQ(ShortPathName("C:\\Program Files\\short.txt"), "C:\\PROGRA~1\\short.txt");
  EXPECT_EQ(ShortPathName("C:\\none"), "");
  // Removing the first one does not rename the second.
  ASSERT_TRUE(FileDelete("C:\\Program Files\\readme.first.txt"));
  ASSERT_TRUE(FileDelete("C:\\Program Files\\short.txt"));
  ASSERT_TRUE(RemoveDir("C:\\Program Files"));
  EXPECT_EQ(ShortPathName("C:\\Program Data"), "C:\\PROGRA~2");
  TSearchRec rec;
  ASSERT_EQ(FindFirst("C:\\Program*", faDirectory, rec), 0);
  EXPECT_EQ(rec.ShortName, "PROGRA~2");
  FindClose(rec);
  // Names put in by host tools get theirs in name order.
  fs::create_directory(Drive('C') + "/Long Name B");
  fs::create_directory(Drive('C') + "/Long Name A");
  EXPECT_EQ(ShortPathName("C:\\Long Name A"), "C:\\LONGNA~1");
  EXPECT_EQ(ShortPathName("C:\\Long Name B"), "C:\\LONGNA~2");
}

TEST_F(FilesTest, DrivesFromMachineIni) {
  std::string cd = root_ + "/cd";
  fs::create_directories(cd + "/Disk");
  std::ofstream(cd + "/Disk/data.zip") << "zip";
  fs::permissions(cd + "/Disk/data.zip", fs::perms::owner_read | fs::perms::group_read);
  fs::permissions(cd + "/Disk", fs::perms::owner_read | fs::perms::owner_exec);
  fs::permissions(cd, fs::perms::owner_read | fs::perms::owner_exec);
  EditConfig([&](sim::MachineConfig& c) {
    c.drives[0].freeK = 5000000;  // about 4.8 GB
    c.drives[0].label = "SYSTEM";
    sim::MachineDrive d;
    d.letter = 'E';
    d.type = DRIVE_CDROM;
    d.label = "DIST";
    d.hostDir = cd;
    c.drives.push_back(d);
    d.letter = 'A';
    d.type = DRIVE_REMOVABLE;
    d.hostDir = root_ + "/no-disk";
    c.drives.push_back(d);
  });
  EXPECT_EQ(LogicalDrives(), (1u << 0) | (1u << 2) | (1u << 4));
  EXPECT_EQ(DriveType("C:\\"), DRIVE_FIXED);
  EXPECT_EQ(DriveType("e:"), DRIVE_CDROM);
  EXPECT_EQ(DriveType("A:\\"), DRIVE_REMOVABLE);
  EXPECT_EQ(DriveType("Q:\\"), DRIVE_NO_ROOT_DIR);
  std::string label;
  uint32_t serial = 0;
  ASSERT_TRUE(VolumeInformation("E:\\", label, serial));
  EXPECT_EQ(label, "DIST");
  EXPECT_FALSE(VolumeInformation("A:\\", label, serial));
  EXPECT_EQ(LastError(), ERROR_NOT_READY);

  uint64_t free = 0, total = 0, totalFree = 0;
  ASSERT_TRUE(DiskFreeSpaceEx("C:\\WINDOWS", free, total, totalFree));
  EXPECT_EQ(free, 5000000ull * 1024);
  uint32_t spc = 0, bps = 0, freeClusters = 0, clusters = 0;
  ASSERT_TRUE(DiskFreeSpace("C:\\", spc, bps, freeClusters, clusters));
  EXPECT_LT(uint64_t{spc} * bps * freeClusters, 0x80000000ull);  // the old query caps at 2 GB
  EXPECT_GT(uint64_t{spc} * bps * freeClusters, 0x7F000000ull);

  // The read-only host folder reads as a CD: files read, nothing is written.
  EXPECT_EQ(Read("E:\\DISK\\Data.Zip"), "zip");
  EXPECT_TRUE(FileGetAttr("E:\\Disk\\data.zip") & faReadOnly);
  EXPECT_THROW(TFileStream("E:\\Disk\\new.txt", fmCreate), EFCreateError);
  EXPECT_FALSE(CreateDir("E:\\New"));
  EXPECT_EQ(LastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(FileExists("A:\\x"));
  EXPECT_EQ(LastError(), ERROR_NOT_READY);
  fs::permissions(cd, fs::perms::owner_all);
  fs::permissions(cd + "/Disk", fs::perms::owner_all);
}

}  // namespace
