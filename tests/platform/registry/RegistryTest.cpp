// TRegistry on the machine's registry.reg: key paths, values and their types, read-only keys,
// damage, and the file shared by processes and threads.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "RegTestMachine.h"
#include "platform/Exceptions.h"
#include "platform/Registry.h"
#include "platform/sim/RegistryStore.h"

using namespace plat;
using regtest::ReadFile;
using regtest::TempMachine;
using regtest::WriteFile;

namespace {

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const ERegistryException& e) {
    return e.Message();
  }
  return "(no exception)";
}

class RegistryTest : public testing::Test {
 protected:
  TempMachine machine_;
  TRegistry reg_;
};

TEST_F(RegistryTest, KeyPathsAreFromTheRootOrTheOpenKey) {
  reg_.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(reg_.OpenKey("\\Software\\NIVSystems", false));
  ASSERT_TRUE(reg_.OpenKey("\\Software\\NIVSystems", true));
  EXPECT_EQ(reg_.CurrentPath(), "Software\\NIVSystems");
  ASSERT_TRUE(reg_.OpenKey("SubSystems", true));  // relative to the open key
  EXPECT_EQ(reg_.CurrentPath(), "Software\\NIVSystems\\SubSystems");
  EXPECT_FALSE(reg_.OpenKey("Missing", false));  // a failed open keeps the open key
  EXPECT_EQ(reg_.CurrentPath(), "Software\\NIVSystems\\SubSystems");
  EXPECT_TRUE(reg_.KeyExists("\\SOFTWARE\\nivsystems\\SUBSYSTEMS"));
  EXPECT_FALSE(reg_.KeyExists("SubSystems"));  // would be ...\SubSystems\SubSystems

  reg_.CloseKey();
  EXPECT_TRUE(reg_.KeyExists("Software\\NIVSystems"));  // no key open: from the root
  reg_.SetRootKey(HKEY_CURRENT_USER);
  EXPECT_FALSE(reg_.KeyExists("\\Software\\NIVSystems"));

  ASSERT_TRUE(reg_.OpenKey("\\", false));  // the root itself
  reg_.WriteString("AtRoot", "1");
  EXPECT_EQ(reg_.ReadString("atroot"), "1");
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepTheCaseOfCreation) {
  reg_.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg_.OpenKey("\\Software\\MyKey\\Sub", true));
  ASSERT_TRUE(reg_.OpenKey("\\SOFTWARE\\MYKEY\\OTHER", true));
  reg_.WriteString("Value", "one");
  reg_.WriteString("VALUE", "two");  // the same value
  EXPECT_EQ(reg_.GetValueNames(), std::vector<std::string>{"Value"});
  EXPECT_EQ(reg_.ReadString("value"), "two");
  ASSERT_TRUE(reg_.OpenKey("\\software\\mykey", false));
  EXPECT_EQ(reg_.GetKeyNames(), (std::vector<std::string>{"OTHER", "Sub"}));
  EXPECT_TRUE(reg_.HasSubKeys());
  ASSERT_TRUE(reg_.OpenKey("Sub", false));
  EXPECT_FALSE(reg_.HasSubKeys());
}

TEST_F(RegistryTest, ValuesAndTheirTypes) {
  reg_.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg_.OpenKey("\\SYSTEM\\Env", true));
  reg_.WriteString("S", "text");
  reg_.WriteExpandString("E", "%SystemRoot%\\system32");
  reg_.WriteInteger("I", -2);
  EXPECT_EQ(reg_.GetValueNames(), (std::vector<std::string>{"S", "E", "I"}));

  EXPECT_EQ(reg_.ReadString("S"), "text");
  EXPECT_EQ(reg_.ReadString("E"), "%SystemRoot%\\system32");  // not expanded
  EXPECT_EQ(reg_.ReadString("Missing"), "");
  EXPECT_EQ(reg_.ReadInteger("I"), -2);
  EXPECT_EQ(ErrorOf([&] { reg_.ReadInteger("S"); }), "Invalid data type for 'S'");
  EXPECT_EQ(ErrorOf([&] { reg_.ReadInteger("Missing"); }), "Invalid data type for 'Missing'");
  EXPECT_EQ(ErrorOf([&] { reg_.ReadString("I"); }), "Invalid data type for 'I'");

  EXPECT_EQ(reg_.GetDataType("S"), rdString);
  EXPECT_EQ(reg_.GetDataType("E"), rdExpandString);
  EXPECT_EQ(reg_.GetDataType("I"), rdInteger);
  EXPECT_EQ(reg_.GetDataType("Missing"), rdUnknown);

  reg_.WriteString("I", "now a text");  // a write replaces the type too
  EXPECT_EQ(reg_.GetDataType("I"), rdString);
  EXPECT_TRUE(reg_.DeleteValue("i"));
  EXPECT_FALSE(reg_.DeleteValue("I"));
  EXPECT_FALSE(reg_.ValueExists("I"));
  EXPECT_TRUE(reg_.ValueExists("s"));
}

TEST_F(RegistryTest, WritesFailWhereWindowsRefusesThem) {
  reg_.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(ErrorOf([&] { reg_.WriteString("X", "1"); }), "Failed to set data for 'X'");
  ASSERT_TRUE(reg_.OpenKey("\\Software\\RO", true));
  reg_.WriteString("Kept", "1");
  ASSERT_TRUE(reg_.OpenKeyReadOnly("\\Software\\RO"));
  EXPECT_EQ(reg_.ReadString("Kept"), "1");
  EXPECT_EQ(ErrorOf([&] { reg_.WriteString("Kept", "2"); }), "Failed to set data for 'Kept'");
  EXPECT_EQ(ErrorOf([&] { reg_.WriteInteger("N", 1); }), "Failed to set data for 'N'");
  EXPECT_FALSE(reg_.DeleteValue("Kept"));
  EXPECT_FALSE(reg_.OpenKeyReadOnly("\\Software\\Missing"));
  // Names the registry file could not hold are refused rather than damaging it.
  EXPECT_FALSE(reg_.OpenKey("\\Software\\Two\nLines", true));
  ASSERT_TRUE(reg_.OpenKey("\\Software\\RO", false));
  EXPECT_EQ(ErrorOf([&] { reg_.WriteString("a\r\nb", "1"); }), "Failed to set data for 'a\r\nb'");
  EXPECT_EQ(ReadFile(machine_.RegistryFile()).find("Lines"), std::string::npos);

  // A key deleted by someone else after it was opened takes no more values.
  ASSERT_TRUE(reg_.OpenKey("\\Software\\Gone", true));
  TRegistry other;
  other.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(other.DeleteKey("\\Software\\Gone"));
  EXPECT_EQ(ErrorOf([&] { reg_.WriteString("V", "1"); }), "Failed to set data for 'V'");
  EXPECT_FALSE(reg_.KeyExists("\\Software\\Gone"));
}

TEST_F(RegistryTest, DeleteKeyTakesItsSubkeys) {
  reg_.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg_.OpenKey("\\Software\\NIVSystems\\SubSystems\\Deep", true));
  reg_.WriteString("V", "1");
  ASSERT_TRUE(reg_.OpenKey("\\Software\\Other", true));
  EXPECT_TRUE(reg_.DeleteKey("\\Software\\NIVSystems"));
  EXPECT_FALSE(reg_.KeyExists("\\Software\\NIVSystems\\SubSystems"));
  EXPECT_FALSE(reg_.DeleteKey("\\Software\\NIVSystems"));
  EXPECT_FALSE(reg_.DeleteKey("\\"));  // never a root
  EXPECT_TRUE(reg_.KeyExists("\\Software\\Other"));
}

TEST_F(RegistryTest, RegistryFileIsTheEditorsUnicodeText) {
  reg_.SetRootKey(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg_.OpenKey("\\SOFTWARE\\NIVUNINSTALL", true));
  reg_.WriteString("SystemName", "\xCD\xC8\xC2");  // "НИВ" in code page 1251
  const std::string bytes = ReadFile(machine_.RegistryFile());
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  const std::string text = sim::Utf16LeToUtf8(bytes.substr(2));
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\SOFTWARE\\NIVUNINSTALL]\r\n\"SystemName\"=\"НИВ\"\r\n"),
            std::string::npos)
      << text;
}

TEST_F(RegistryTest, SeesChangesMadeToTheFile) {
  reg_.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg_.OpenKey("\\Software\\A", true));
  reg_.WriteString("V", "old");
  EXPECT_EQ(reg_.ReadString("V"), "old");
  // Same length, so only the file's identity or time tells the change.
  WriteFile(machine_.RegistryFile(),
            "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\A]\n"
            "\"V\"=\"new\"\n");
  EXPECT_EQ(reg_.ReadString("V"), "new");
}

TEST_F(RegistryTest, DamagedFileIsReportedAndNeverWrittenOver) {
  const std::string damaged =
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\A]\n\"V\"=\"x\n";
  WriteFile(machine_.RegistryFile(), damaged);
  reg_.SetRootKey(HKEY_LOCAL_MACHINE);
  const std::string expected = machine_.RegistryFile() + ", line 4:";
  EXPECT_NE(ErrorOf([&] { reg_.KeyExists("\\Software\\A"); }).find(expected), std::string::npos);
  EXPECT_NE(ErrorOf([&] { reg_.OpenKey("\\Software\\B", true); }).find(expected),
            std::string::npos);
  EXPECT_EQ(ReadFile(machine_.RegistryFile()), damaged);
  EXPECT_THROW(sim::ImportRegBytes(machine_.Dir(),
                                   "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"a\"=\"b\"\n", "ok.reg"),
               sim::ERegistryDamaged);
  EXPECT_EQ(ReadFile(machine_.RegistryFile()), damaged);
}

TEST_F(RegistryTest, DamagedImportAppliesNothing) {
  reg_.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg_.OpenKey("\\Software\\A", true));
  reg_.WriteString("V", "before");
  const std::string before = ReadFile(machine_.RegistryFile());
  const std::string file =
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\A]\n\"V\"=\"after\"\n\"W\"=\"new\"\n"
      "[HKEY_LOCAL_MACHINE\\Software\\B]\n\"X\"=dword:xyz\n";
  EXPECT_NE(ErrorOf([&] {
              sim::ImportRegBytes(machine_.Dir(), file, "bad.reg");
            }).find("bad.reg, line 7:"),
            std::string::npos);
  EXPECT_EQ(reg_.ReadString("V"), "before");
  EXPECT_FALSE(reg_.ValueExists("W"));
  EXPECT_FALSE(reg_.KeyExists("\\Software\\B"));
  EXPECT_EQ(ReadFile(machine_.RegistryFile()), before);
}

TEST_F(RegistryTest, ExportImportRoundTrip) {
  reg_.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg_.OpenKey("\\Software\\NIVSystems", true));
  reg_.WriteString("Path", "C:\\NIVSystems");
  reg_.WriteString("Program Group", "\xCD\xC8\xC2 \"1\"");
  reg_.WriteExpandString("Exp", "%SystemRoot%;x");
  reg_.WriteInteger("N", 77);
  ASSERT_TRUE(reg_.OpenKey("SubSystems", true));
  reg_.WriteString("Base", "Installed");

  const std::string all = sim::ExportRegistry(machine_.Dir(), "");
  const std::string one = sim::ExportRegistry(machine_.Dir(), "hklm\\software\\nivsystems");
  EXPECT_EQ(one.rfind("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\"
                      "NIVSystems]\n\"Path\"=\"C:\\\\NIVSystems\"\n",
                      0),
            0u)
      << one;
  EXPECT_NE(one.find("[HKEY_LOCAL_MACHINE\\Software\\NIVSystems\\SubSystems]"), std::string::npos);
  EXPECT_EQ(one.find("HKEY_CURRENT_USER"), std::string::npos);
  EXPECT_THROW(sim::ExportRegistry(machine_.Dir(), "HKLM\\Software\\Missing"), Exception);

  TempMachine copy;  // now the machine of the process
  const std::string file = copy.Dir() + "/all.reg";
  WriteFile(file, all);
  sim::ImportRegFile(copy.Dir(), file);
  EXPECT_EQ(sim::ExportRegistry(copy.Dir(), ""), all);
  TRegistry reader;
  reader.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reader.OpenKeyReadOnly("\\Software\\NIVSystems"));
  EXPECT_EQ(reader.ReadString("Program Group"), "\xCD\xC8\xC2 \"1\"");
  EXPECT_EQ(reader.ReadInteger("N"), 77);
  EXPECT_EQ(reader.GetDataType("Exp"), rdExpandString);
}

// Each child process and the parent write their own values at the same time; none is lost.
TEST_F(RegistryTest, ProcessesWritingAtOnceLoseNothing) {
  constexpr int kChildren = 3;
  constexpr int kValues = 150;
  auto writeValues = [](const std::string& prefix) {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!reg.OpenKey("\\Software\\Shared", true)) return false;
    for (int i = 0; i < kValues; ++i) reg.WriteString(prefix + std::to_string(i), prefix);
    return true;
  };
  std::vector<pid_t> children;
  for (int c = 0; c < kChildren; ++c) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      bool ok = false;
      try {
        ok = writeValues("child" + std::to_string(c) + "_");
      } catch (...) {
      }
      _exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  EXPECT_TRUE(writeValues("parent_"));
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  reg_.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg_.OpenKeyReadOnly("\\Software\\Shared"));
  EXPECT_EQ(reg_.GetValueNames().size(), static_cast<size_t>((kChildren + 1) * kValues));
  for (int c = 0; c < kChildren; ++c)
    EXPECT_EQ(reg_.ReadString("child" + std::to_string(c) + "_" + std::to_string(kValues - 1)),
              "child" + std::to_string(c) + "_");
}

// The parent has read the registry; a child changes it; the parent sees the change.
TEST_F(RegistryTest, ParentSeesTheChangeOfAChild) {
  reg_.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg_.OpenKey("\\Software\\NIVSystems", true));
  reg_.WriteString("Path", "C:\\ONE");
  EXPECT_EQ(reg_.ReadString("Path"), "C:\\ONE");
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    int code = 1;
    try {
      TRegistry child;
      child.SetRootKey(HKEY_LOCAL_MACHINE);
      if (child.OpenKey("\\Software\\NIVSystems", false)) {
        child.WriteString("Path", "C:\\TWO");  // the same size as before
        child.WriteString("Added", "1");
        code = 0;
      }
    } catch (...) {
    }
    _exit(code);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(reg_.ReadString("Path"), "C:\\TWO");
  EXPECT_TRUE(reg_.ValueExists("Added"));
}

TEST_F(RegistryTest, ThreadsWritingAtOnceLoseNothing) {
  constexpr int kThreads = 4;
  constexpr int kValues = 60;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      TRegistry reg;
      reg.SetRootKey(HKEY_CURRENT_USER);
      if (!reg.OpenKey("\\Software\\Threads", true)) return;
      for (int i = 0; i < kValues; ++i)
        reg.WriteInteger("t" + std::to_string(t) + "_" + std::to_string(i), i);
    });
  }
  for (auto& thread : threads) thread.join();
  reg_.SetRootKey(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg_.OpenKeyReadOnly("\\Software\\Threads"));
  EXPECT_EQ(reg_.GetValueNames().size(), static_cast<size_t>(kThreads * kValues));
}

}  // namespace
