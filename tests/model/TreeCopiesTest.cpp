#include <gtest/gtest.h>

#include "ModelTestUtil.h"
#include "model/Selection.h"
#include "model/TreeCopies.h"
#include "model/TreeLists.h"
#include "platform/Exceptions.h"

namespace niv::test {
namespace {

TEST(CopySelected, LeavesOutViewOnlyAndDeselectedBranches) {
  Loaded t = Load(
      "[SubSystems]\nA=1\nB=2\nC=3\nD=4\nE=5\nV=6\nW=7\n[A]\nShort name=Alpha\n[B]\nParent=1\n"
      "[C]\nParent=1\n[D]\n[E]\nParent=4\n[V]\nViewOnly=TRUE\n[W]\nParent=6");
  SelectAll(*t.tree);
  t.Node(3).Info.Selected = false;
  t.Node(4).Info.Selected = false;  // and so 5 under it is not copied either
  auto target = Tree("9(10)");
  CopySelected(*target, *t.tree);
  EXPECT_EQ(Shape(*target), "1(2)");
  EXPECT_EQ(FullOf(*target), "1,2");
  EXPECT_EQ(target->FindNode(1)->Info.ShortName, "Alpha");
  EXPECT_EQ(target->FindNode(9), nullptr);
  EXPECT_EQ(target->AllNodesCount(), 2);
}

TEST(KeepPresentIn, ComparesPlacesNotOnlyNumbers) {
  auto a = Tree("1(2,3(4)),5(6)");
  auto b = Tree("1(3),7(2),5");
  ASSERT_TRUE(KeepPresentIn(*a, b.get()));
  // 2 is under another parent in B, 4 and 6 under nodes that have no children there.
  EXPECT_EQ(Shape(*a), "1(-2,3(-4)),5(-6)");
  EXPECT_EQ(FullOf(*a), "");
  EXPECT_FALSE(KeepPresentIn(*a, nullptr));

  auto full = Tree("1(2)");
  ASSERT_TRUE(KeepPresentIn(*full, Tree("1(2)").get()));
  EXPECT_EQ(FullOf(*full), "1,2");
}

// The difference the wizard makes when the user leaves the add/delete choice.
struct DifferenceCase {
  const char* name;
  const char* installed;  // the full tree's selection when only the installed ones were selected
  const char* chosen;     // the new choice
  const char* toAdd;      // InstallTree afterwards
  const char* toDelete;   // UninstallTree afterwards
  const char* added;
  const char* deleted;
};

class Difference : public testing::TestWithParam<DifferenceCase> {};

std::string Names(const TSysTree& tree) {
  std::vector<std::string> names;
  ListDeselectedNames(tree, names);
  std::string text;
  for (auto& name : names) text += (text.empty() ? "" : " ") + name;
  return text;
}

TEST_P(Difference, GivesWhatToAddAndWhatToDelete) {
  const DifferenceCase& c = GetParam();
  auto copyOf = [](const char* selection) {
    auto full = Tree(selection);
    auto copy = std::make_unique<TSysTree>();
    CopySelected(*copy, *full);
    return copy;
  };
  auto install = copyOf(c.chosen);
  auto uninstall = copyOf(c.installed);
  ASSERT_TRUE(KeepPresentIn(*install, uninstall.get()));
  ASSERT_TRUE(KeepPresentIn(*uninstall, install.get()));
  RemoveFullySelected(*install);
  RemoveFullySelected(*uninstall);
  PruneReferences(*install);
  PruneReferences(*uninstall);
  EXPECT_EQ(Shape(*install), c.toAdd);
  EXPECT_EQ(Shape(*uninstall), c.toDelete);
  EXPECT_EQ(Names(*install), c.added);
  EXPECT_EQ(Names(*uninstall), c.deleted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Difference,
    testing::Values(
        DifferenceCase{"EqualTreesGiveEmptyTrees", "1(2,-3),4(5)", "1(2,-3),4(5)", "", "", "", ""},
        DifferenceCase{"AddAndDelete", "1(2,-3),4(5)", "1(-2,3),4(-5)", "1(-3)", "1(-2),4(-5)",
                       "N3", "N2 N5"},
        DifferenceCase{"OnlyAdd", "1(2,-3),-4", "1(2,3),-4", "1(-3)", "", "N3", ""},
        DifferenceCase{"NothingInstalled", "-1(2),-4", "1(2),4", "-1(-2),-4", "", "N1 N2 N4", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MergeInto, AddsWhatIsMissingAndDeselectsWhatIsNot) {
  auto source = Tree("1(-2,3(8)),5(6)");
  auto target = Tree("1(2),4");
  MergeInto(*source, target.get());
  EXPECT_EQ(Shape(*target), "1(-2,3(8)),4,5(6)");
  EXPECT_NE(target->FindNode(8), nullptr);
  EXPECT_EQ(target->AllNodesCount(), 7);
  MergeInto(*source, nullptr);
}

TEST(CopyWithAncestors, CopiesTheChainAndTheSubtree) {
  auto source = Tree("1(2(3(4,5)),6),7");
  auto target = std::make_unique<TSysTree>();
  TSysNode& copy = CopyWithAncestors(*source->FindNode(3), *target);
  EXPECT_EQ(copy.Info.Number, 3);
  EXPECT_EQ(Shape(*target), "1(2(3(4,5)))");
  EXPECT_EQ(target->AllNodesCount(), 5);
  EXPECT_EQ(&copy, target->FindNode(3));
  CopyWithAncestors(*source->FindNode(7), *target);
  EXPECT_EQ(Shape(*target), "1(2(3(4,5))),7");
}

TEST(CopyDeselectedBranches, CopiesEachDeselectedBranchToTheTop) {
  auto source = Tree("1(-2(3),4),-5(6)");
  auto target = std::make_unique<TSysTree>();
  CopyDeselectedBranches(*source, *target);
  EXPECT_EQ(Shape(*target), "-2(3),-5(6)");
  EXPECT_EQ(FullOf(*target), "2,3,5,6");
}

TEST(RemoveDeselected, DirectChildrenOrAllDepths) {
  auto direct = Tree("1(-2,3(-4)),-5");
  RemoveDeselected(*direct, false);
  EXPECT_EQ(Shape(*direct), "1(-2,3(-4))");
  auto all = Tree("1(-2,3(-4)),-5");
  RemoveDeselected(*all, true);
  EXPECT_EQ(Shape(*all), "1(3)");
  EXPECT_EQ(all->AllNodesCount(), 2);
  EXPECT_EQ(all->FindNode(4), nullptr);
}

TEST(FindDescendant, TestsAChildBeforeItsDescendants) {
  auto tree = Tree("1(2(7)),7");
  TSysNode* found = FindDescendant(*tree, 7);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->ParentNode(), tree->FindNode(2));
  EXPECT_EQ(FindDescendant(*tree->FindNode(2), 2), nullptr);  // the node itself is not below
}

TEST(PruneReferences, KeepsOnlyNumbersOfTheTree) {
  auto tree = Tree("1,7");
  TSubsystemInfo& info = tree->FindNode(1)->Info;
  info.Depend = "3, 7";
  info.Dependents = "7,3,1";
  tree->FindNode(7)->Info.Depend = "";
  PruneReferences(*tree);
  EXPECT_EQ(info.Depend, "7");
  EXPECT_EQ(info.Dependents, "7,1");
  EXPECT_EQ(tree->FindNode(7)->Info.Depend, "");
  info.Depend = "7,x";
  EXPECT_THROW(PruneReferences(*tree), plat::EConvertError);
}

}  // namespace
}  // namespace niv::test
