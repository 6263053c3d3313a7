#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "FilesMachine.h"
#include "platform/Exceptions.h"
#include "platform/Text.h"

namespace {

using namespace plat;

class MachineConfigTest : public niv::testing::FilesMachine {
 protected:
  std::string IniText() {
    std::ifstream in(machine_ + "/machine.ini", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

TEST_F(MachineConfigTest, FreshMachinesOfBothFamilies) {
  const sim::MachineConfig& nt = sim::CurrentMachine();
  EXPECT_FALSE(nt.family9x);
  EXPECT_EQ(nt.systemDir, "C:\\WINDOWS\\SYSTEM32");
  EXPECT_EQ(nt.oemCodePage, 866);
  EXPECT_EQ(nt.ansiCodePage, 1251);
  EXPECT_TRUE(DirectoryExists("C:\\WINDOWS\\SYSTEM32"));
  EXPECT_TRUE(DirectoryExists("C:\\WINDOWS\\TEMP"));

  sim::MachineOptions options;
  options.family9x = true;
  options.drives.push_back({'d', DRIVE_CDROM, "CD", -1, ""});
  MakeMachine(options);
  const sim::MachineConfig& w9x = sim::CurrentMachine();
  EXPECT_TRUE(w9x.family9x);
  EXPECT_EQ(w9x.buildNumber, 950u);
  EXPECT_EQ(w9x.systemDir, "C:\\WINDOWS\\SYSTEM");
  ASSERT_NE(w9x.FindDrive('D'), nullptr);
  EXPECT_EQ(w9x.FindDrive('d')->label, "CD");
  EXPECT_TRUE(DirectoryExists("C:\\WINDOWS\\SYSTEM"));
  EXPECT_TRUE(DirectoryExists("D:\\"));
  EXPECT_THROW(sim::CreateMachineLayout(machine_, {}), Exception);  // not over a machine
}

TEST_F(MachineConfigTest, SavedValuesReadBack) {
  EditConfig([](sim::MachineConfig& c) {
    c.buildNumber = 2195;
    c.majorVersion = 5;
    c.drives[0].label = A("Мой диск");
    c.drives[0].freeK = 12345;
    c.SetExtra("PendingRestart", "1");
  });
  const sim::MachineConfig& c = sim::CurrentMachine();  // re-read after the change
  EXPECT_EQ(c.buildNumber, 2195u);
  EXPECT_EQ(c.majorVersion, 5u);
  EXPECT_EQ(c.drives[0].label, A("Мой диск"));
  EXPECT_EQ(c.drives[0].freeK, 12345);
  EXPECT_EQ(c.Extra("pendingrestart"), "1");
}

// A change made by another process is seen at once, and a child started by fork still sees the
// changes of its parent.
TEST_F(MachineConfigTest, ChangesOfOtherProcessesSeenAtOnce) {
  EXPECT_EQ(sim::CurrentMachine().buildNumber, 1381u);
  pid_t child = fork();
  if (child == 0) {
    bool ok = sim::CurrentMachine().buildNumber == 1381;
    EditConfig([](sim::MachineConfig& c) { c.buildNumber = 2195; });
    ok = ok && sim::CurrentMachine().buildNumber == 2195;
    {
      std::ofstream(machine_ + "/machine.ini", std::ios::binary)
          << "[Machine]\nBuild=950\n[Drive C]\n";
    }
    _exit(ok && sim::CurrentMachine().buildNumber == 950 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(sim::CurrentMachine().buildNumber, 950u);
}

TEST_F(MachineConfigTest, DamagedFileNamesFileAndLineAndStaysAsItWas) {
  struct Case {
    const char* text;
    int line;
  } cases[] = {
      {"[Machine]\nFamily=NT\nFamily=OS2\n[Drive C]\n", 3},
      {"[Machine]\nBuild=abc\n[Drive C]\n", 2},
      {"[Machine]\nOEMCodePage=866\n\n[Drive C]\nType=floppy\n", 5},
      {"[Machine]\n[Drive C]\nFreeK=-5\n", 3},
      {"[Machine]\n[Drive C]\n[Drive c]\n", 3},
      {"[Machine]\nno equals sign\n", 2},
      {"[Machine\n", 1},
      {"Family=NT\n", 1},
      {"[Machine]\n[Drive D]\nType=cdrom\n", 3},  // no drive C
      {"[Machine]\nWindowsDir=WINDOWS\n[Drive C]\n", 2},
      {"[Machine]\n[Drive C]\nHostDir=relative/dir\n", 3},
      {"[Machine]\n[Drive C]\nColour=blue\n", 3},
      {"[Other]\n", 1},
      {"[Machine]\nANSICodePage=1250\n[Drive C]\n", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    { std::ofstream(machine_ + "/machine.ini", std::ios::binary) << c.text; }
    try {
      sim::CurrentMachine();
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      std::string m = e.Message();
      EXPECT_NE(m.find(machine_ + "/machine.ini"), std::string::npos) << m;
      EXPECT_NE(m.find("line " + std::to_string(c.line)), std::string::npos) << m;
    }
    EXPECT_EQ(IniText(), c.text);
    EXPECT_FALSE(FileExists("C:\\x"));  // file services fail cleanly
    EXPECT_EQ(sim::HostPathOf("C:\\x"), "");
  }
}

TEST_F(MachineConfigTest, NoMachineChosen) {
  sim::UseMachine("");
  unsetenv("NIVSIM_MACHINE");
  EXPECT_EQ(sim::CurrentMachineDir(), "");
  EXPECT_THROW(sim::CurrentMachine(), Exception);
  EXPECT_FALSE(FileExists("C:\\WINDOWS"));
  EXPECT_THROW(TFileStream("C:\\x", fmCreate), EFCreateError);
  setenv("NIVSIM_MACHINE", machine_.c_str(), 1);
  EXPECT_EQ(sim::CurrentMachineDir(), machine_);
  EXPECT_TRUE(DirectoryExists("C:\\WINDOWS"));
}

}  // namespace
