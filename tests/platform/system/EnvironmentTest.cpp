// The Windows environment of a process: its encoding for children, expansion, the logon
// environment of both families, and the rules of names.
#include <gtest/gtest.h>

#include "SystemTestMachine.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "platform/sim/Process.h"

using plat::sim::Environment;

namespace {

std::string Find(const Environment& env, const std::string& name) {
  for (const auto& [n, v] : env)
    if (plat::AsciiSameText(n, name)) return v;
  return "<unset>";
}

}  // namespace

TEST(Environment, EncodingCarriesAnyEightBitText) {
  const Environment env = {{"Path", "C:\\A;C:\\B B"},
                           {"odd", "100% = done\nnext\r\x01\x7F"},
                           {"=C:", "C:\\WORK"},
                           {"Empty", ""},
                           {"\xC8\xEC\xFF", "\xE7\xED\xE0\xF7\xE5\xED\xE8\xE5"}};
  const std::string encoded = plat::sim::EncodeEnvironment(env);
  EXPECT_EQ(encoded.find('\0'), std::string::npos);
  EXPECT_EQ(plat::sim::DecodeEnvironment(encoded), env);
  EXPECT_TRUE(plat::sim::DecodeEnvironment("").empty());
}

TEST(Environment, ExpandsKnownReferencesOnly) {
  const Environment env = {{"SystemRoot", "C:\\WINDOWS"}, {"Path", "C:\\X"}};
  const struct {
    const char* text;
    const char* expanded;
  } cases[] = {
      {"%SystemRoot%\\system32", "C:\\WINDOWS\\system32"},
      {"%systemroot%;%PATH%", "C:\\WINDOWS;C:\\X"},
      {"%NOSUCH%\\a", "%NOSUCH%\\a"},
      {"50%%SystemRoot%", "50%C:\\WINDOWS"},
      {"%unclosed", "%unclosed"},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(plat::sim::ExpandEnvironmentStrings(c.text, env), c.expanded) << c.text;
}

TEST(Environment, NtLogonTakesTheSessionEnvironmentExpanded) {
  systest::FreshMachine machine;
  const Environment env = plat::sim::FreshLogonEnvironment();
  const std::string path = Find(env, "PATH");
  EXPECT_NE(plat::AsciiUpper(path).find(plat::AsciiUpper(plat::SystemDirectory())),
            std::string::npos)
      << path;
  EXPECT_EQ(path.find('%'), std::string::npos) << path;
  EXPECT_TRUE(plat::AsciiSameText(Find(env, "windir"), plat::WindowsDirectory()));
  EXPECT_TRUE(plat::AsciiSameText(Find(env, "SystemRoot"), plat::WindowsDirectory()));
  EXPECT_EQ(Find(env, "OS"), "Windows_NT");
  EXPECT_NE(Find(env, "TEMP"), "<unset>");

  // A change of the registry is seen by the next logon, not by running programs.
  {
    plat::TRegistry reg;
    reg.SetRootKey(plat::HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(
        reg.OpenKey("\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", false));
    reg.WriteExpandString("Path", "C:\\NIV\\SYSTEM;%SystemRoot%\\system32");
  }
  EXPECT_TRUE(plat::AsciiSameText(Find(plat::sim::FreshLogonEnvironment(), "Path"),
                                  "C:\\NIV\\SYSTEM;" + plat::WindowsDirectory() + "\\system32"));
}

TEST(Environment, NineXLogonRunsTheAutoexecLines) {
  systest::FreshMachine machine(true);
  EXPECT_TRUE(plat::AsciiSameText(Find(plat::sim::FreshLogonEnvironment(), "PATH"),
                                  "C:\\WINDOWS;C:\\WINDOWS\\COMMAND"));
  systest::WriteMachineFile("C:\\AUTOEXEC.BAT",
                            "@ECHO OFF\r\n"
                            "  SET NIVHOME=C:\\NIV\r\n"
                            "PATH C:\\DOS;%PATH%\r\n"
                            "SET PATH=%PATH%;%NIVHOME%\\SYSTEM\r\n"
                            "set gone=x\r\n"
                            "SET GONE=\r\n"
                            "PATH=%PATH%;C:\\LAST");
  const Environment env = plat::sim::FreshLogonEnvironment();
  EXPECT_EQ(Find(env, "PATH"), "C:\\DOS;C:\\WINDOWS;C:\\WINDOWS\\COMMAND;C:\\NIV\\SYSTEM;C:\\LAST");
  EXPECT_EQ(Find(env, "NIVHOME"), "C:\\NIV");
  EXPECT_EQ(Find(env, "gone"), "<unset>");
}

TEST(Environment, NamesIgnoreCaseAndKeepTheirSpelling) {
  systest::FreshMachine machine;
  plat::SetEnv("NivTest", "1");
  EXPECT_EQ(plat::GetEnv("NIVTEST"), "1");
  plat::SetEnv("nivtest", "2");
  EXPECT_EQ(plat::GetEnv("NivTest"), "2");
  EXPECT_FALSE(plat::EnvExists("NivTest2"));
  EXPECT_EQ(plat::GetEnv("NivTest2"), "");
  const Environment env = plat::sim::ProcessEnvironment();
  EXPECT_EQ(
      std::count_if(env.begin(), env.end(), [](const auto& e) { return e.first == "NivTest"; }), 1);
}

TEST(Environment, TempDirectoryFollowsTmpThenTempWithABackslash) {
  systest::FreshMachine machine;
  EXPECT_TRUE(plat::AsciiSameText(plat::TempDirectory(), plat::WindowsDirectory() + "\\TEMP\\"));
  plat::SetEnv("TMP", "C:\\MYTMP");
  EXPECT_EQ(plat::TempDirectory(), "C:\\MYTMP\\");
  plat::SetEnv("TMP", "");
  plat::SetEnv("TEMP", "C:\\OTHER\\");
  EXPECT_EQ(plat::TempDirectory(), "C:\\OTHER\\");
}
