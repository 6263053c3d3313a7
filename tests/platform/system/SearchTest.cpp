// The standard search for a file: the program's directory, the current directory, the system
// directories, the Windows directory, then PATH; and libraries found the same way.
#include <gtest/gtest.h>

#include "SystemTestMachine.h"
#include "platform/Files.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "platform/sim/Process.h"

namespace {

struct Place {
  const char* name;
  const char* dir;
};
// Every place the search looks, in its order, with PATH's two folders last.
const Place kNt[] = {{"program", "C:\\PROG"},
                     {"current", "C:\\WORK"},
                     {"system", "C:\\WINDOWS\\SYSTEM32"},
                     {"system16", "C:\\WINDOWS\\SYSTEM"},
                     {"windows", "C:\\WINDOWS"},
                     {"path1", "C:\\ONPATH1"},
                     {"path2", "C:\\ONPATH2"}};

class SearchFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& p : kNt) systest::MakeDirs(p.dir);
    plat::sim::SetProgramIdentity("C:\\PROG\\setup.exe", "C:\\PROG\\setup.exe");
    ASSERT_TRUE(plat::SetCurrentDir("C:\\WORK"));
    plat::SetEnv("PATH", " C:\\NOSUCH;;\"C:\\ONPATH1\" ; C:\\ONPATH2");
  }
  void TearDown() override { plat::sim::SetProgramIdentity("", ""); }

  void PlaceIn(const std::vector<std::string>& names) {
    for (const auto& p : kNt) {
      const std::string file = std::string(p.dir) + "\\Lib.dll";
      plat::FileDelete(file);
      if (std::find(names.begin(), names.end(), p.name) != names.end())
        systest::WriteMachineFile(file, "x");
    }
  }

  systest::FreshMachine machine_{false};
};

}  // namespace

TEST_F(SearchFileTest, TheFirstPlaceInOrderWins) {
  const struct {
    std::vector<std::string> placed;
    const char* found;  // "" when nowhere
  } cases[] = {
      {{"program", "current", "system", "system16", "windows", "path1", "path2"}, "C:\\PROG"},
      {{"current", "system", "windows", "path1"}, "C:\\WORK"},
      {{"system", "system16", "windows", "path2"}, "C:\\WINDOWS\\SYSTEM32"},
      {{"system16", "windows"}, "C:\\WINDOWS\\SYSTEM"},
      {{"windows", "path1"}, "C:\\WINDOWS"},
      {{"path1", "path2"}, "C:\\ONPATH1"},
      {{}, ""},
  };
  for (const auto& c : cases) {
    PlaceIn(c.placed);
    const std::string found = plat::SearchFile("LIB.DLL");
    if (*c.found == 0) {
      EXPECT_EQ(found, "") << "none placed";
    } else {
      EXPECT_TRUE(plat::AsciiSameText(found, std::string(c.found) + "\\LIB.DLL"))
          << "expected in " << c.found << ", found " << found;
    }
  }
}

TEST_F(SearchFileTest, NamesWithAFolderAreNotSearched) {
  PlaceIn({"windows", "current"});
  EXPECT_TRUE(
      plat::AsciiSameText(plat::SearchFile("C:\\WINDOWS\\lib.dll"), "C:\\WINDOWS\\lib.dll"));
  EXPECT_TRUE(plat::AsciiSameText(plat::SearchFile("..\\WORK\\lib.dll"), "C:\\WORK\\lib.dll"));
  EXPECT_EQ(plat::SearchFile("C:\\PROG\\lib.dll"), "");
  EXPECT_EQ(plat::SearchFile(""), "");
  EXPECT_EQ(plat::SearchFile("WORK"), "") << "a folder is not a file";
}

TEST_F(SearchFileTest, ProgramsAreFoundWithExeAppended) {
  systest::WriteMachineFile("C:\\ONPATH1\\tool.exe", "x");
  systest::WriteMachineFile("C:\\WORK\\data.txt", "x");
  const std::string path = plat::GetEnv("PATH");
  EXPECT_TRUE(plat::AsciiSameText(plat::sim::ResolveProgram("TOOL", "C:\\WORK", path),
                                  "C:\\ONPATH1\\TOOL.exe"));
  EXPECT_EQ(plat::sim::ResolveProgram("tool", "C:\\WORK", ""), "") << "not on this PATH";
  EXPECT_TRUE(plat::AsciiSameText(plat::sim::ResolveProgram("data.txt", "C:\\WORK", path),
                                  "C:\\WORK\\data.txt"));
  EXPECT_TRUE(plat::AsciiSameText(plat::sim::ResolveProgram("\\ONPATH1\\tool", "C:\\WORK", ""),
                                  "C:\\ONPATH1\\tool.exe"));
}

TEST_F(SearchFileTest, LibrariesLoadByTheSearchAndGiveTheirExports) {
  systest::CopyIntoMachine(SYSTEST_LIBRARY, "C:\\ONPATH2\\probelib.dll");
  plat::LibHandle lib = plat::LoadLib("PROBELIB");
  ASSERT_NE(lib, nullptr);
  using Answer = int (*)();
  auto answer = reinterpret_cast<Answer>(plat::FindExport(lib, "ProbeAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(plat::FindExport(lib, "NoSuchExport"), nullptr);
  EXPECT_EQ(plat::LastError(), plat::ERROR_PROC_NOT_FOUND);
  EXPECT_TRUE(plat::FreeLib(lib));
}

TEST_F(SearchFileTest, AMissingLibraryOrExportIsReported) {
  EXPECT_EQ(plat::LoadLib("nosuch.dll"), nullptr);
  EXPECT_EQ(plat::LastError(), plat::ERROR_MOD_NOT_FOUND);
  systest::WriteMachineFile("C:\\WORK\\notalib.dll", "not a shared object");
  EXPECT_EQ(plat::LoadLib("notalib"), nullptr);
  EXPECT_NE(plat::LastError(), plat::ERROR_MOD_NOT_FOUND) << "found, but cannot be loaded";
}
