#include <stdexcept>

#include "MachineFixture.h"
#include "app/FileServices.h"
#include "app/SystemServices.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Stream.h"

namespace niv {
namespace {

using ServicesInMachine = testing::MachineTest;

void PutFile(const std::string& path, uint32_t attributes = 0) {
  plat::TFileStream(path, plat::fmCreate).WriteBuffer("x", 1);
  if (attributes != 0) {
    ASSERT_TRUE(plat::FileSetAttr(path, attributes));
  }
}

TEST_F(ServicesInMachine, DeleteTreeRemovesProtectedFilesAndNestedDirectories) {
  ASSERT_TRUE(plat::CreateDir("C:\\T"));
  ASSERT_TRUE(plat::CreateDir("C:\\T\\Sub"));
  ASSERT_TRUE(plat::CreateDir("C:\\T\\Sub\\Deeper"));
  PutFile("C:\\T\\ro.txt", plat::faReadOnly);
  PutFile("C:\\T\\Sub\\hidden.sys", plat::faHidden | plat::faSysFile);
  PutFile("C:\\T\\Sub\\Deeper\\noext");
  EXPECT_TRUE(DeleteTree("C:\\T", false));
  EXPECT_FALSE(plat::DirectoryExists("C:\\T"));
  EXPECT_FALSE(DeleteTree("", false));
  EXPECT_FALSE(DeleteTree("C:\\T", false));
}

TEST_F(ServicesInMachine, DeleteFilesStopsAtAFileThatCannotGo) {
  ASSERT_TRUE(plat::CreateDir("C:\\F"));
  PutFile("C:\\F\\a.tmp");
  PutFile("C:\\F\\b.tmp");
  PutFile("C:\\F\\keep.txt");
  {
    plat::TFileStream busy("C:\\F\\b.tmp", plat::fmOpenRead | plat::fmShareExclusive);
    EXPECT_FALSE(DeleteFiles("C:\\F", "*.tmp", false));
  }
  EXPECT_TRUE(DeleteFiles("C:\\F", "*.tmp", false));
  EXPECT_FALSE(plat::FileExists("C:\\F\\b.tmp"));
  EXPECT_TRUE(plat::FileExists("C:\\F\\keep.txt"));
  EXPECT_TRUE(DeleteFiles("C:\\F", "*.none", false));
}

TEST(FreeDiskSpace, InKOfTheDriveOrZero) {
  // The first 9x builds know only the query by clusters; later ones and NT the exact one.
  for (auto [family9x, build] : {std::pair{false, 0u}, {true, 1111u}, {true, 950u}}) {
    std::string pattern = (std::filesystem::temp_directory_path() / "niv_app_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    plat::sim::MachineOptions options;
    options.family9x = family9x;
    options.buildNumber = build;
    options.drives.push_back({'D', plat::DRIVE_FIXED, "DATA", 12345, ""});
    plat::sim::NewMachine(pattern + "/m", options);
    plat::sim::UseMachine(pattern + "/m");
    int64_t expected = 12345;
    uint32_t sectors = 0, bytes = 0, clusters = 0, total = 0;
    if (build == 950u && plat::DiskFreeSpace("D:\\", sectors, bytes, clusters, total))
      expected = static_cast<int64_t>((uint64_t{clusters} * sectors * bytes + 512) / 1024);
    EXPECT_EQ(FreeDiskSpaceK("D:\\"), expected) << build;
    EXPECT_EQ(FreeDiskSpaceK("D:"), expected) << build;
    EXPECT_EQ(FreeDiskSpaceK("Q:\\"), 0) << build;
    std::filesystem::remove_all(pattern);
  }
}

TEST_F(ServicesInMachine, StartupFolderNameIsTheLastComponent) {
  plat::TRegistry machine;
  machine.SetRootKey(plat::HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(machine.OpenKey(
      "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", true));
  machine.WriteString("Common Startup",
                      "C:\\WINNT\\Profiles\\All Users\\Start Menu\\Programs\\Auto");
  EXPECT_EQ(StartupFolderName(), "Auto");
  machine.DeleteValue("Common Startup");
  plat::TRegistry user;
  ASSERT_TRUE(user.OpenKey(
      "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", true));
  user.WriteString("Startup", "NoBackslash");
  EXPECT_EQ(StartupFolderName(), "NoBackslash");
  user.DeleteValue("Startup");
  EXPECT_EQ(StartupFolderName(), "");
}

TEST_F(ServicesInMachine, ClearUninstallSignalRemovesTheKeyWithItsSubkeys) {
  plat::TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\NIVUNINSTALL\\Done", true));
  reg.CloseKey();
  ClearUninstallSignal();
  EXPECT_FALSE(reg.KeyExists("\\SOFTWARE\\NIVUNINSTALL"));
  ClearUninstallSignal();  // nothing to do
}

TEST_F(ServicesInMachine, RemoveContinueLinkAsksForTheStartupShortcutAndIgnoresErrors) {
  plat::TRegistry user;
  ASSERT_TRUE(user.OpenKey(
      "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", true));
  user.WriteString("Startup", "C:\\Menu\\Programs\\Startup");
  plat::TRegistry machine;
  machine.SetRootKey(plat::HKEY_LOCAL_MACHINE);
  if (machine.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                      false))
    machine.DeleteValue("Common Startup");

  int calls = 0;
  SetDealProgramGroup([&](int task, const std::string& group, const std::vector<std::string>& items,
                          std::string&, bool onDesktop) -> bool {
    ++calls;
    EXPECT_EQ(task, kDeleteLinksTask);
    EXPECT_EQ(group, "Startup");
    EXPECT_EQ(items, std::vector<std::string>{"|||continue NIV Setup"});
    EXPECT_FALSE(onDesktop);
    throw std::runtime_error("no shell");
  });
  RemoveContinueLink();
  EXPECT_EQ(calls, 1);
  SetDealProgramGroup(nullptr);
  RemoveContinueLink();
}

}  // namespace
}  // namespace niv
