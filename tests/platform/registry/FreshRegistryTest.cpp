// A fresh machine's registry and the reg tool working on it.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "RegTestMachine.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/sim/Machine.h"
#include "platform/sim/RegCommand.h"
#include "platform/sim/RegistryStore.h"

using namespace plat;
using regtest::ReadFile;
using regtest::WriteFile;

namespace {

constexpr const char* kShellFolders =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A machine with its layout and fresh registry, without the system's programs.
class FreshMachine {
 public:
  explicit FreshMachine(bool family9x) {
    sim::MachineOptions options;
    options.family9x = family9x;
    dir_ = machine_.Dir() + "/m";
    sim::CreateMachineLayout(dir_, options);
    sim::WriteFreshRegistry(dir_, options);
    sim::UseMachine(dir_);
  }
  const std::string& Dir() const { return dir_; }

 private:
  regtest::TempMachine machine_;
  std::string dir_;
};

struct FamilyCase {
  bool family9x;
  const char* commonPrograms;
  const char* startup;
};

class FreshRegistry : public testing::TestWithParam<FamilyCase> {};

TEST_P(FreshRegistry, ShellFoldersNameFoldersThatExist) {
  FreshMachine machine(GetParam().family9x);
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    TRegistry reg;
    reg.SetRootKey(root);
    ASSERT_TRUE(reg.OpenKeyReadOnly(kShellFolders));
    for (const char* name : {"Programs", "Common Programs", "Desktop", "Common Desktop", "Startup",
                             "Common Startup"}) {
      const std::string folder = reg.ReadString(name);
      EXPECT_TRUE(DirectoryExists(folder)) << name << " = " << folder;
    }
    EXPECT_EQ(reg.ReadString("Common Programs"), GetParam().commonPrograms);
    EXPECT_EQ(reg.ReadString("Startup"), GetParam().startup);
  }
  TRegistry reg;
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(
      reg.OpenKeyReadOnly("\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment"));
  EXPECT_EQ(reg.GetDataType("Path"), rdExpandString);
  EXPECT_EQ(reg.ReadString("Path"), GetParam().family9x ? "%SystemRoot%\\system;%SystemRoot%"
                                                        : "%SystemRoot%\\system32;%SystemRoot%");
  EXPECT_EQ(reg.ReadString("windir"), "%SystemRoot%");
  EXPECT_EQ(reg.KeyExists("\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"),
            !GetParam().family9x);
  if (GetParam().family9x) {
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"));
    EXPECT_EQ(reg.ReadString("VersionNumber"), "4.00.950");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Families, FreshRegistry,
    testing::Values(
        FamilyCase{false, "C:\\WINDOWS\\Profiles\\All Users\\Start Menu\\Programs",
                   "C:\\WINDOWS\\Profiles\\Administrator\\Start Menu\\Programs\\Startup"},
        FamilyCase{true, "C:\\WINDOWS\\All Users\\Start Menu\\Programs",
                   "C:\\WINDOWS\\Start Menu\\Programs\\StartUp"}),
    [](const auto& info) { return info.param.family9x ? "Family9x" : "FamilyNT"; });

struct ToolResult {
  int code;
  std::string out;
  std::string err;
};

ToolResult Reg(const std::vector<std::string>& args, const std::string& answers = "") {
  std::ostringstream out, err;
  std::istringstream in(answers);
  const int code = sim::RunRegTool(args, out, err, in);
  return {code, out.str(), err.str()};
}

class RegTool : public testing::Test {
 protected:
  FreshMachine machine_{false};
};

TEST_F(RegTool, ImportsAFileOfTheMachine) {
  ASSERT_TRUE(CreateDir("C:\\DIST"));
  ASSERT_TRUE(SetCurrentDir("C:\\DIST"));
  WriteFile(machine_.Dir() + "/drives/C/DIST/OID_QEN_3.reg",
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\NIVSystems\\OID]\r\n"
            "\"Server\"=\"db\"\r\n\"Port\"=dword:00000539\r\n");
  const ToolResult r = Reg({"IMPORT", "oid_qen_3.reg"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("The operation completed successfully."), std::string::npos);
  TRegistry reg;
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\NIVSystems\\OID"));
  EXPECT_EQ(reg.ReadInteger("Port"), 1337);

  const ToolResult missing = Reg({"import", "C:\\nowhere.reg"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("ERROR: "), std::string::npos);
}

TEST_F(RegTool, DamagedImportNamesTheLineAndChangesNothing) {
  ASSERT_TRUE(SetCurrentDir("C:\\"));
  WriteFile(machine_.Dir() + "/drives/C/bad.reg",
            "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Good]\n\"A\"=\"1\"\n"
            "\"B\"=hex:0g\n");
  const std::string before = ReadFile(machine_.Dir() + "/registry.reg");
  const ToolResult r = Reg({"IMPORT", "bad.reg"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("bad.reg, line 5:"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(machine_.Dir() + "/registry.reg"), before);
}

TEST_F(RegTool, AddQueryDelete) {
  struct Step {
    std::vector<std::string> args;
    std::string answers;
    int code;
    std::string output;  // a part of out or err
  };
  const std::vector<Step> steps = {
      {{"ADD", "HKLM\\Software\\T", "/v", "S", "/d", "C:\\x y"}, "", 0, "completed successfully"},
      {{"QUERY", "HKEY_LOCAL_MACHINE\\software\\t", "/v", "s"},
       "",
       0,
       "    S    REG_SZ    C:\\x y"},
      {{"ADD", "HKLM\\Software\\T", "/v", "S", "/d", "other"}, "no\n", 1, "cancelled"},
      {{"QUERY", "HKLM\\Software\\T", "/v", "S"}, "", 0, "REG_SZ    C:\\x y"},
      {{"ADD", "HKLM\\Software\\T", "/v", "S", "/d", "other"}, "yes\n", 0, "overwrite"},
      {{"ADD", "HKLM\\Software\\T", "/v", "N", "/t", "REG_DWORD", "/d", "0x1F", "/f"}, "", 0, ""},
      {{"ADD", "HKLM\\Software\\T", "/v", "E", "/t", "reg_expand_sz", "/d", "%A%", "/f"},
       "",
       0,
       ""},
      {{"ADD", "HKLM\\Software\\T", "/ve", "/d", "def", "/f"}, "", 0, ""},
      {{"ADD", "HKLM\\Software\\T\\Sub"}, "", 0, ""},
      {{"QUERY", "HKLM\\Software\\T"}, "", 0, "    N    REG_DWORD    0x1F"},
      {{"QUERY", "HKLM\\Software\\T"}, "", 0, "    (Default)    REG_SZ    def"},
      {{"QUERY", "HKLM\\Software\\T"}, "", 0, "\nHKEY_LOCAL_MACHINE\\Software\\T\\Sub\n"},
      {{"ADD", "HKLM\\Software\\T", "/v", "N", "/t", "REG_DWORD", "/d", "x1", "/f"},
       "",
       1,
       "Invalid DWORD"},
      {{"ADD", "HKXX\\Software\\T", "/f"}, "", 1, "Invalid key name"},
      {{"QUERY", "HKLM\\Software\\T", "/v", "Missing"}, "", 1, "unable to find"},
      {{"DELETE", "HKLM\\Software\\T", "/v", "E", "/f"}, "", 0, ""},
      {{"QUERY", "HKLM\\Software\\T", "/v", "E"}, "", 1, "unable to find"},
      {{"DELETE", "HKLM\\Software\\T"}, "n\n", 1, "Permanently delete"},
      {{"QUERY", "HKLM\\Software\\T\\Sub"}, "", 0, ""},
      {{"DELETE", "HKLM\\Software\\T", "/f"}, "", 0, ""},
      {{"QUERY", "HKLM\\Software\\T"}, "", 1, "unable to find"},
      {{"FROB", "HKLM\\Software"}, "", 1, "Invalid operation"},
      {{"ADD"}, "", 1, "Invalid syntax"},
  };
  for (const Step& step : steps) {
    const ToolResult r = Reg(step.args, step.answers);
    std::string shown;
    for (const auto& a : step.args) shown += a + " ";
    EXPECT_EQ(r.code, step.code) << shown << "\n" << r.out << r.err;
    EXPECT_NE((r.out + r.err).find(step.output), std::string::npos) << shown << "\n"
                                                                    << r.out << r.err;
  }
  TRegistry reg;
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(reg.KeyExists("\\Software\\T"));
}

}  // namespace
