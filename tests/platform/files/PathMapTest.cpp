#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "FilesMachine.h"
#include "platform/Text.h"
#include "platform/sim/PathMap.h"

namespace {

using namespace plat;
namespace fs = std::filesystem;

class PathMapTest : public niv::testing::FilesMachine {
 protected:
  void SetUp() override {
    FilesMachine::SetUp();
    dist_ = root_ + "/dist";
    fs::create_directories(dist_ + "/Disk1");
    std::ofstream(dist_ + "/Disk1/setup.idf") << "x";
    EditConfig([&](sim::MachineConfig& c) {
      sim::MachineDrive net;
      net.letter = 'N';
      net.type = DRIVE_REMOTE;
      net.hostDir = dist_;
      net.share = "\\\\SERVER\\DIST";
      c.drives.push_back(net);
    });
    fs::create_directories(root_ + "/outside");
    std::ofstream(root_ + "/outside/secret.txt") << "secret";
    fs::create_directory_symlink(root_ + "/outside", Drive('C') + "/link");
    fs::create_symlink(root_ + "/outside/secret.txt", Drive('C') + "/filelink");
    fs::create_directory_symlink(Drive('C') + "/WINDOWS", Drive('C') + "/inlink");
  }

  bool InsideDrives(const std::string& host) {
    for (const std::string& root : {Drive('C'), dist_})
      if (host.compare(0, root.size() + 1, root + "/") == 0 || host == root) return true;
    return false;
  }

  std::string dist_;
};

TEST_F(PathMapTest, NoPathLeavesTheDrives) {
  struct Case {
    std::string path;
    uint32_t error;  // 0: maps inside the drives
  } cases[] = {
      {"C:\\..\\..\\machine.ini", 0},
      {"C:\\WINDOWS\\..\\..\\..\\..\\etc\\passwd", 0},
      {"/etc/passwd", 0},
      {"../../../../etc/passwd", 0},
      {"C:..\\..\\x", 0},
      {"C:\\...\\x", 0},
      {"C:\\x. . .", 0},
      {"C:\\inlink\\SYSTEM32", 0},
      {"\\\\server\\dist\\..\\..\\..\\x", 0},
      {"//SERVER/DIST/Disk1/SETUP.IDF", 0},
      {"N:\\Disk1\\..\\..\\..\\etc", 0},
      {"C:\\link\\secret.txt", ERROR_ACCESS_DENIED},
      {"C:\\link", ERROR_ACCESS_DENIED},
      {"C:\\filelink", ERROR_ACCESS_DENIED},
      {"C:\\NUL", ERROR_INVALID_NAME},
      {"C:\\dir\\con.txt", ERROR_INVALID_NAME},
      {"COM1", ERROR_INVALID_NAME},
      {"C:\\lpt9 .log", ERROR_INVALID_NAME},
      {std::string("C:\\a\0b", 6), ERROR_INVALID_NAME},
      {"C:\\a\x01"
       "b",
       ERROR_INVALID_NAME},
      {"C:\\a*b", ERROR_INVALID_NAME},
      {"C:\\a?b", ERROR_INVALID_NAME},
      {"C:\\a|b", ERROR_INVALID_NAME},
      {"C:\\a\"b", ERROR_INVALID_NAME},
      {"C:\\a<b>", ERROR_INVALID_NAME},
      {"Z:\\x", ERROR_PATH_NOT_FOUND},
      {"\\\\NOSERVER\\x\\y", 53},
      {"\\\\?\\C:\\x", 53},
      {"\\\\SERVER", ERROR_INVALID_NAME},
      {"C:\\" + std::string(300, 'a'), 206},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    sim::ResolvedPath r = sim::ResolvePath(c.path);
    EXPECT_EQ(r.error, c.error);
    std::string host = sim::HostPathOf(c.path);
    if (c.error) {
      EXPECT_EQ(host, "");
      EXPECT_FALSE(FileExists(c.path));
      EXPECT_THROW(TFileStream(c.path, fmCreate), EFCreateError);
    } else {
      EXPECT_TRUE(InsideDrives(host)) << host;
    }
  }
  EXPECT_EQ(sim::HostPathOf("\\\\Server\\Dist\\disk1\\setup.idf"), dist_ + "/Disk1/setup.idf");
  EXPECT_FALSE(fs::exists(root_ + "/etc"));
}

TEST_F(PathMapTest, NamesMatchInAnyCaseAndKeepTheirOwn) {
  Write("C:\\MixedCase.Txt", "one");
  Write(A("C:\\Папка Файлов.txt"), "two");
  EXPECT_TRUE(FileExists("c:\\MIXEDCASE.TXT"));
  EXPECT_TRUE(FileExists(A("C:\\ПАПКА файлов.TXT")));
  Write("C:\\mixedcase.txt", "three");  // replaces the same file
  EXPECT_EQ(Read("C:\\MIXEDCASE.txt"), "three");
  EXPECT_TRUE(fs::exists(Drive('C') + "/MixedCase.Txt"));
  EXPECT_FALSE(fs::exists(Drive('C') + "/mixedcase.txt"));
  EXPECT_TRUE(fs::exists(Drive('C') + "/Папка Файлов.txt"));  // UTF-8 on the host

  TSearchRec rec;
  ASSERT_EQ(FindFirst("C:\\mixed*", faAnyFile, rec), 0);
  EXPECT_EQ(rec.Name, "MixedCase.Txt");
  FindClose(rec);
}

TEST_F(PathMapTest, SeesChangesMadeByOtherProgramsOnTheHost) {
  EXPECT_FALSE(FileExists("C:\\ext.txt"));  // the folder is now in the cache
  std::ofstream(Drive('C') + "/Ext.TXT") << "host";
  EXPECT_TRUE(FileExists("C:\\ext.txt"));
  EXPECT_EQ(Read("C:\\EXT.txt"), "host");
  fs::remove(Drive('C') + "/Ext.TXT");
  EXPECT_FALSE(FileExists("C:\\ext.txt"));
  EXPECT_EQ(LastError(), ERROR_FILE_NOT_FOUND);
}

// Folders found once are not trusted blindly: a folder renamed, replaced or turned into a link
// on the host is found anew.
TEST_F(PathMapTest, FoldersChangedOnTheHostAreFoundAnew) {
  ASSERT_TRUE(CreateDir("C:\\Apps"));
  ASSERT_TRUE(CreateDir("C:\\Apps\\Sub"));
  Write("C:\\Apps\\Sub\\a.txt", "first");
  EXPECT_EQ(Read("C:\\APPS\\SUB\\A.TXT"), "first");
  fs::rename(Drive('C') + "/Apps/Sub", Drive('C') + "/Apps/Old");
  fs::create_directory(Drive('C') + "/Apps/SUB");
  std::ofstream(Drive('C') + "/Apps/SUB/A.txt") << "second";
  EXPECT_EQ(Read("C:\\apps\\sub\\a.txt"), "second");

  fs::rename(Drive('C') + "/Apps/SUB", Drive('C') + "/Apps/Older");
  fs::create_directory_symlink(root_ + "/outside", Drive('C') + "/Apps/Sub");
  EXPECT_FALSE(FileExists("C:\\Apps\\Sub\\secret.txt"));
  EXPECT_EQ(sim::HostPathOf("C:\\Apps\\Sub\\secret.txt"), "");
  EXPECT_THROW(Read("C:\\Apps\\Sub\\secret.txt"), EFOpenError);
}

}  // namespace
