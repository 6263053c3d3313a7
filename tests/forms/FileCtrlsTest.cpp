// The drive combo box and the directory list box in a simulated machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "forms/Application.h"
#include "forms/FileCtrls.h"
#include "forms/Forms.h"
#include "platform/Files.h"
#include "platform/sim/Machine.h"

namespace forms {
namespace {

namespace fs = std::filesystem;

// A machine with C:, a floppy drive A: that holds no disk, and a network drive N: that is also
// reachable as \\SERVER\DIST.
struct FileCtrlsTest : ::testing::Test {
  std::string dir = ::testing::TempDir() + "/forms_filectrls_machine";
  TApplication app;
  std::unique_ptr<TForm> form;
  void SetUp() override {
    fs::remove_all(dir);
    plat::sim::MachineOptions options;
    options.drives.push_back({'A', plat::DRIVE_REMOVABLE, "", -1, ""});
    plat::sim::NewMachine(dir, options);
    fs::remove_all(dir + "/drives/A");
    std::ofstream(dir + "/machine.ini", std::ios::app)
        << "\n[Drive N]\nType=network\nLabel=\nFreeK=-1\nHostDir=\nShare=\\\\SERVER\\DIST\n"
        << "Serial=00000000\n";
    fs::create_directories(dir + "/drives/N");
    plat::sim::UseMachine(dir);
    ASSERT_TRUE(plat::CreateDir("C:\\Work"));
    ASSERT_TRUE(plat::CreateDir("C:\\Work\\beta"));
    ASSERT_TRUE(plat::CreateDir("C:\\Work\\Alpha"));
    ASSERT_TRUE(plat::SetCurrentDir("C:\\Work"));
    form = MakeForm<TForm>();
  }
};

TEST_F(FileCtrlsTest, TheDirectoryListShowsThePathAndSubfoldersAndMovesTheCurrentDirectory) {
  auto* list = form->Make<TDirectoryListBox>("DirectoryListBox1");
  int changes = 0;
  list->OnChange = [&](TObject*) { ++changes; };
  EXPECT_EQ(list->Directory(), "C:\\Work");
  EXPECT_EQ(list->Items.CommaText(), "c:\\,Work,Alpha,beta");
  EXPECT_EQ(list->ItemIndex(), 1);
  list->OpenItem(2);
  EXPECT_EQ(plat::GetCurrentDir(), "C:\\Work\\Alpha");
  EXPECT_EQ(list->Items.CommaText(), "c:\\,Work,Alpha");
  list->OpenItem(0);
  EXPECT_EQ(plat::GetCurrentDir(), "C:\\");
  EXPECT_EQ(changes, 2);
  EXPECT_THROW(list->SetDirectory("C:\\Missing"), EInOutError);
  EXPECT_EQ(list->Directory(), "C:\\");
  EXPECT_EQ(plat::GetCurrentDir(), "C:\\");
}

TEST_F(FileCtrlsTest, ADriveThatCannotBeReadFailsTheSwitchAndTheListStays) {
  auto* drives = form->Make<TDriveComboBox>("DriveComboBox1");
  auto* list = form->Make<TDirectoryListBox>("DirectoryListBox1");
  drives->DirList = list;
  EXPECT_EQ(drives->Drive(), 'c');
  ASSERT_GE(drives->Items.Count(), 2);
  EXPECT_EQ(drives->Items[0], "a:");
  EXPECT_EQ(drives->Items[1].substr(0, 2), "c:");
  int changes = 0;
  drives->OnChange = [&](TObject*) { ++changes; };
  EXPECT_THROW(drives->SetDrive('A'), EInOutError);
  EXPECT_EQ(drives->Drive(), 'a');           // the box shows the new drive ...
  EXPECT_EQ(list->Directory(), "C:\\Work");  // ... while the list stays
  EXPECT_EQ(plat::GetCurrentDir(), "C:\\Work");
  EXPECT_EQ(changes, 0);
  drives->SetDrive('a');  // the same drive again: nothing
  drives->SetDrive('q');  // no such drive: ignored
  EXPECT_EQ(drives->Drive(), 'a');
  drives->SetDrive('c');  // the list never left C:
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(list->Directory(), "C:\\Work");
}

TEST_F(FileCtrlsTest, StartedFromANetworkPathTheDriveBoxHoldsNoDrive) {
  ASSERT_TRUE(plat::SetCurrentDir("\\\\SERVER\\DIST"));
  EXPECT_EQ(form->Make<TDriveComboBox>("DriveComboBox1")->Drive(), 0);
  ASSERT_TRUE(plat::SetCurrentDir("N:\\"));
  EXPECT_EQ(form->Make<TDriveComboBox>("DriveComboBox2")->Drive(), 'n');
}

}  // namespace
}  // namespace forms
