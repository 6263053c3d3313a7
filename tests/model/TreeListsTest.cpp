#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>

#include "ModelTestUtil.h"
#include "forms/StringList.h"
#include "model/NumberList.h"
#include "model/TreeLists.h"
#include "platform/Registry.h"
#include "platform/sim/Machine.h"

namespace niv::test {
namespace {

// Node 1 is selected (done) and is left out of every list but the dependents.
std::unique_ptr<TSysTree> ListFixture() {
  auto tree = Tree("1(-2(-3)),-4");
  auto set = [&](int number, const char* links, const char* check, const char* req,
                 const char* dependents) {
    TSubsystemInfo& info = tree->FindNode(number)->Info;
    info.Links = links;
    info.CheckFiles = check;
    info.ReqFiles = req;
    info.Dependents = dependents;
  };
  set(1, "skip?menu*skip?desktop", "skip.dll", "skip.dll", "9");
  set(2, "A?menu*B?desktop", " a.dll , ,b.dll,", "r1.dll", "3,5");
  set(3, "C?desktop*D?menu", "", " r2.dll", "5,7");
  set(4, "", "c.dll", "", "");
  return tree;
}

std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (auto& item : items) text += "[" + item + "]";
  return text;
}

TEST(Lists, TakeTheNodesStillToDo) {
  auto tree = ListFixture();
  std::vector<std::string> menu, desktop, check, req, names;
  ListLinks(*tree, menu, lkMenu);
  ListLinks(*tree, desktop, lkDesktop);
  ListCheckFiles(*tree, check);
  ListReqFiles(*tree, req);
  ListDeselectedNames(*tree, names);
  EXPECT_EQ(Joined(menu), "[A][D]");
  EXPECT_EQ(Joined(desktop), "[B][C]");
  EXPECT_EQ(Joined(check), "[a.dll][b.dll][c.dll]");
  EXPECT_EQ(Joined(req), "[r1.dll][r2.dll]");
  EXPECT_EQ(Joined(names), "[N2][N3][N4]");
  forms::TStringList lines;
  lines.Add("first");
  ListLinks(*tree, lines, lkDesktop);
  ASSERT_EQ(lines.Count(), 3);
  EXPECT_EQ(lines[2], "C");
  // Every node counts here, each number once.
  EXPECT_EQ(ListDependentsOf(*tree), "9,3,5,7");
}

TEST(NthNumber, CountsItemsFromOne) {
  struct Case {
    const char* list;
    int n;
    int32_t expected;
  };
  for (const Case& c :
       {Case{"4,5,6", 1, 4}, Case{"4,5,6", 3, 6}, Case{"4,5,6", 4, -1}, Case{"4,5,6,", 4, -1},
        Case{"4,x,6", 2, -1}, Case{"", 1, -1}, Case{"4", 0, -1}, Case{"4,,6", 3, 6},
        Case{"4,-2", 2, -2}, Case{"4,6 ", 2, -1}}) {
    EXPECT_EQ(NthNumber(c.list, c.n), c.expected) << c.list << " #" << c.n;
  }
}

TEST(SplitList, TrailingSeparatorAddsNoItem) {
  EXPECT_EQ(SplitList("").size(), 0u);
  EXPECT_EQ(SplitList("a,").size(), 1u);
  EXPECT_EQ(SplitList(",a").size(), 2u);
  EXPECT_EQ(SplitList("a,,b").size(), 3u);
}

class InstalledValues : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "modeltest-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    plat::sim::UseMachine(dir_);
    key_.SetRootKey(plat::HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(key_.OpenKey("\\Software\\NIVSystems\\SubSystems", true));
  }
  void TearDown() override {
    key_.CloseKey();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string dir_;
  plat::TRegistry key_;
};

TEST_F(InstalledValues, WriteForSelectedDeleteForNotPriorSelected) {
  auto tree = Tree("1(-2,3),4");
  tree->FindNode(3)->Info.PriorSelected = true;
  key_.WriteString("N1", "Kept");
  key_.WriteString("N3", "Installed");
  EXPECT_TRUE(WriteInstalledValues(*tree, key_, ivWriteInstalled));
  EXPECT_EQ(key_.ReadString("N1"), "Kept");  // an existing value stays as it is
  EXPECT_FALSE(key_.ValueExists("N2"));
  EXPECT_EQ(key_.ReadString("N4"), "Installed");

  EXPECT_TRUE(WriteInstalledValues(*tree, key_, ivDeleteRemoved));
  EXPECT_FALSE(key_.ValueExists("N1"));
  EXPECT_TRUE(key_.ValueExists("N3"));  // PriorSelected: never deleted
  EXPECT_FALSE(key_.ValueExists("N4"));
}

}  // namespace
}  // namespace niv::test
