// reg.exe of a fresh machine, started as a program of the machine, changes the registry that its
// parent sees.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "SystemTestMachine.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/sim/Machine.h"

namespace {

class RegImportTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ::setenv("NIVSIM_TOOLS_DIR", SYSTEST_TOOLS_DIR, 1); }
  systest::FreshMachine machine_;
};

std::string ReadValue(const char* key, const char* name) {
  plat::TRegistry reg;
  reg.SetRootKey(plat::HKEY_LOCAL_MACHINE);
  if (!reg.OpenKeyReadOnly(key)) return "<no key>";
  return reg.ValueExists(name) ? reg.ReadString(name) : "<no value>";
}

}  // namespace

TEST_F(RegImportTest, ImportByTheMachinesRegExeIsSeenByTheParent) {
  ASSERT_TRUE(plat::FileExists(plat::SystemDirectory() + "\\reg.exe"));
  systest::MakeDirs("C:\\DIST");
  systest::WriteMachineFile("C:\\DIST\\OID_QEN_3.reg",
                            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\NIVSystems\\Test]\r\n"
                            "\"Imported\"=\"yes\"\r\n");
  EXPECT_EQ(plat::sim::RunInMachine(machine_.Dir(), "C:\\DIST", "reg IMPORT OID_QEN_3.reg", ""), 0);
  EXPECT_EQ(ReadValue("\\Software\\NIVSystems\\Test", "Imported"), "yes");

  uint32_t code = 0;
  systest::WriteMachineFile("C:\\DIST\\second.reg",
                            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\NIVSystems\\Test]\r\n"
                            "\"Second\"=\"from RunProcess\"\r\n");
  ASSERT_TRUE(
      plat::RunProcess("reg.exe IMPORT second.reg", "C:\\DIST", plat::SW_HIDE, true, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(ReadValue("\\Software\\NIVSystems\\Test", "Second"), "from RunProcess");
}

TEST_F(RegImportTest, ADamagedFileChangesNothingAndFails) {
  systest::WriteMachineFile("C:\\bad.reg",
                            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\NIVSystems\\Bad]\r\n"
                            "\"Good\"=\"1\"\r\n\"Broken\"=dword:zz\r\n");
  EXPECT_NE(plat::sim::RunInMachine(machine_.Dir(), "C:\\", "reg.exe IMPORT C:\\bad.reg", ""), 0);
  EXPECT_EQ(ReadValue("\\Software\\NIVSystems\\Bad", "Good"), "<no key>");
}
