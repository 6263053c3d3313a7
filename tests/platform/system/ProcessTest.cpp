// Programs of the machine: started by RunInMachine and RunProcess, their parameters,
// environment, current directory and exit codes; the restart request and the boot.
#include <gtest/gtest.h>

#include <sstream>

#include "SystemTestMachine.h"
#include "platform/Exceptions.h"
#include "platform/Record.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "platform/sim/Machine.h"
#include "platform/sim/Restart.h"

namespace {

class ProcessTest : public ::testing::Test {
 protected:
  explicit ProcessTest(bool family9x = false) : machine_(family9x) {}
  void SetUp() override {
    systest::MakeDirs("C:\\WORK");
    systest::MakeDirs("C:\\Tools Dir");
    systest::CopyIntoMachine(SYSTEST_PROBE, "C:\\Tools Dir\\probe.exe");
  }
  int Run(const std::string& commandLine, const std::string& cd = "C:\\WORK") {
    return plat::sim::RunInMachine(machine_.Dir(), cd, commandLine, "");
  }

  systest::FreshMachine machine_;
};

class NineXProcessTest : public ProcessTest {
 protected:
  NineXProcessTest() : ProcessTest(true) {}
};

const char* const kProbe = "\"C:\\Tools Dir\\probe.exe\"";

}  // namespace

TEST_F(ProcessTest, TheProgramGetsItsParametersIdentityAndCurrentDirectory) {
  const struct {
    std::string args;
    std::vector<std::string> params;  // after "report FILE"
  } cases[] = {
      {"", {}},
      {"a b", {"a", "b"}},
      {"\"x y\" z\"w v\"u", {"x y", "zw vu"}},
      {"\"\" tail", {"tail"}},
      {"C:\\DIR\\ \"C:\\NIV Systems\\temp.inf\"", {"C:\\DIR\\", "C:\\NIV Systems\\temp.inf"}},
  };
  for (const auto& c : cases) {
    const std::string line = std::string(kProbe) + " report C:\\r.txt " + c.args;
    ASSERT_EQ(Run(line), 0) << line;
    auto report = systest::ReadReport("C:\\r.txt");
    EXPECT_EQ(report["cmdline"], line);
    EXPECT_TRUE(plat::AsciiSameText(report["program"], "C:\\Tools Dir\\probe.exe"));
    EXPECT_EQ(report["cwd"], "C:\\WORK");
    ASSERT_EQ(report["count"], std::to_string(2 + c.params.size())) << line;
    for (size_t i = 0; i < c.params.size(); ++i)
      EXPECT_EQ(report["param" + std::to_string(i + 3)], c.params[i]) << line;
  }
}

TEST_F(ProcessTest, ABareNameIsFoundInTheCurrentSystemWindowsAndPathFolders) {
  systest::CopyIntoMachine(SYSTEST_PROBE, plat::SystemDirectory() + "\\sysprobe.exe");
  EXPECT_EQ(Run("sysprobe exit 5"), 5) << "found in the system folder, .exe appended";
  systest::CopyIntoMachine(SYSTEST_PROBE, "C:\\WORK\\sysprobe.exe");
  EXPECT_EQ(Run("sysprobe.exe report C:\\r.txt", "C:\\WORK"), 0);
  EXPECT_TRUE(
      plat::AsciiSameText(systest::ReadReport("C:\\r.txt")["program"], "C:\\WORK\\sysprobe.exe"))
      << "the current folder comes before the system folder";
  // The logon PATH names the system folders only: a program elsewhere is not found by name.
  EXPECT_THROW(Run("probe exit 0"), plat::EOSError);
}

TEST_F(ProcessTest, TheEnvironmentIsTheLogonOneAndPassesToChildren) {
  const std::string line = std::string(kProbe) + " setenv NivVar \"v 1\" " + kProbe +
                           " report C:\\r.txt NIVVAR path windir";
  ASSERT_EQ(Run(line), 0);
  auto report = systest::ReadReport("C:\\r.txt");
  EXPECT_EQ(report["env:NIVVAR"], "v 1") << "set by the parent, seen by the child";
  EXPECT_NE(plat::AsciiUpper(report["env:path"]).find(plat::AsciiUpper(plat::SystemDirectory())),
            std::string::npos);
  EXPECT_TRUE(plat::AsciiSameText(report["env:windir"], plat::WindowsDirectory()));
  EXPECT_FALSE(plat::EnvExists("NivVar")) << "a child's change stays in the child";
}

TEST_F(ProcessTest, ExitCodesPassThroughAndFailuresToStartAreErrors) {
  for (int code : {0, 1, 3, 200, 255})
    EXPECT_EQ(Run(std::string(kProbe) + " exit " + std::to_string(code)), code);

  uint32_t code = 1234;
  EXPECT_TRUE(
      plat::RunProcess(std::string(kProbe) + " exit 7", "C:\\WORK", plat::SW_HIDE, true, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_FALSE(plat::RunProcess("C:\\WORK\\nosuch.exe", "", plat::SW_SHOWNORMAL, true, &code));
  EXPECT_EQ(plat::LastError(), plat::ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(plat::RunProcess(kProbe, "C:\\NOSUCHDIR", plat::SW_SHOWNORMAL, true, &code));

  try {
    Run("nosuch.exe");
    ADD_FAILURE() << "a missing program started";
  } catch (const plat::EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), plat::ERROR_FILE_NOT_FOUND);
    EXPECT_NE(e.Message().find("nosuch.exe"), std::string::npos) << e.Message();
  }
  std::vector<std::string> shows;
  for (const auto& e : plat::ReadRecord(machine_.Dir()))
    if (e.kind == "run") shows.push_back(e.Field("show"));
  const std::vector<std::string> expected = {"normal", "normal", "normal",
                                             "normal", "normal", "hide"};
  EXPECT_EQ(shows, expected) << "each start is recorded with its show command";
}

TEST_F(ProcessTest, AProgramWrittenThroughTheLayerRunsWithoutAnExecuteBit) {
  const std::string host = plat::sim::HostPathOf("C:\\Tools Dir\\probe.exe");
  std::filesystem::permissions(host, std::filesystem::perms(0644));
  EXPECT_EQ(Run(std::string(kProbe) + " exit 4"), 4);
}

TEST_F(ProcessTest, ARestartNeedsThePrivilegeOnNtAndIsPerformedByBoot) {
  EXPECT_EQ(Run(std::string(kProbe) + " restart noprivilege"), 1);
  EXPECT_FALSE(plat::sim::PendingRestart(machine_.Dir()));
  EXPECT_EQ(Run(std::string(kProbe) + " restart"), 0);
  ASSERT_TRUE(plat::sim::PendingRestart(machine_.Dir()));
  EXPECT_EQ(*plat::sim::PendingRestart(machine_.Dir()), plat::EWX_SHUTDOWN | plat::EWX_REBOOT);

  // A program in the Startup folder runs at boot.
  plat::TRegistry reg;
  ASSERT_TRUE(
      reg.OpenKeyReadOnly("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                          "Shell Folders"));
  systest::CopyIntoMachine(SYSTEST_PROBE, reg.ReadString("Startup") + "\\started.exe");
  std::ostringstream out;
  EXPECT_TRUE(plat::sim::BootMachine(machine_.Dir(), "", out)) << out.str();
  EXPECT_FALSE(plat::sim::PendingRestart(machine_.Dir())) << "the request is cleared";
  EXPECT_EQ(systest::ReadMachineFile("C:\\probe-started.txt"), "started\n");

  std::vector<std::string> kinds;
  for (const auto& e : plat::ReadRecord(machine_.Dir())) kinds.push_back(e.kind);
  const auto restart = std::find(kinds.begin(), kinds.end(), "restart");
  ASSERT_NE(restart, kinds.end());
  EXPECT_NE(std::find(restart, kinds.end(), "boot"), kinds.end());

  std::ostringstream again;
  EXPECT_TRUE(plat::sim::BootMachine(machine_.Dir(), "", again));
  EXPECT_NE(again.str().find("no restart"), std::string::npos) << again.str();
}

TEST_F(NineXProcessTest, NineXRestartsWithoutAPrivilege) {
  EXPECT_EQ(Run(std::string(kProbe) + " restart noprivilege"), 0);
  EXPECT_TRUE(plat::sim::PendingRestart(machine_.Dir()));
}
