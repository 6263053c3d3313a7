#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "ModelTestUtil.h"
#include "model/Selection.h"
#include "platform/Exceptions.h"

namespace niv::test {
namespace {

// 2 holds 3 and 4; 4 needs 1 and 5 needs 4; 6 is a view-only group shown with 7, 8 and 12 under
// it; 9 is a view-only group with a setup library over 10 and 11; 12 needs 1 and holds 13; 14
// and 15 need each other.
const char kComponents[] = R"([SubSystems]
Base=1
Tools=2
Editor=3
Viewer=4
Docs=5
Group=6
GA=7
GB=8
LibGroup=9
LA=10
LB=11
Extras=12
Plugin=13
CycA=14
CycB=15
[Base]
[Tools]
[Editor]
Parent=2
[Viewer]
Parent=2
Depend=1
[Docs]
Depend=4
[Group]
ViewOnly=TRUE
[GA]
ViewParent=6
[GB]
ViewParent=6
[LibGroup]
ViewOnly=TRUE
Library=lib.dll
[LA]
ViewParent=9
[LB]
ViewParent=9
[Extras]
Depend=1
ViewParent=6
[Plugin]
Parent=12
[CycA]
Depend=15
[CycB]
Depend=14)";

struct SelectionCase {
  const char* name;
  bool startAll;        // everything selected first, or nothing
  const char* actions;  // "+3 -1": select 3, then deselect 1
  const char* selected;
  const char* full;  // nullptr: not checked
};

class SelectionRules : public testing::TestWithParam<SelectionCase> {};

TEST_P(SelectionRules, PropagateAsTheUserExpects) {
  const SelectionCase& c = GetParam();
  Loaded t = Load(kComponents);
  ASSERT_TRUE(t.ok);
  if (c.startAll) SelectAll(*t.tree);
  std::istringstream actions(c.actions);
  std::string action;
  while (actions >> action) {
    TSysNode& node = t.Node(std::stoi(action.substr(1)));
    action[0] == '+' ? SelectNode(node) : DeselectNode(node);
  }
  EXPECT_EQ(SelectedOf(*t.tree), c.selected);
  if (c.full) {
    EXPECT_EQ(FullOf(*t.tree), c.full);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectionRules,
    testing::Values(
        // Parents are selected, not their other children.
        SelectionCase{"ChildSelectsParent", false, "+3", "2,3", "3"},
        SelectionCase{"DependencySelected", false, "+4", "1,2,4", "1,4"},
        SelectionCase{"DependenciesTransitive", false, "+5", "1,2,4,5", "1,4,5"},
        // The parent brings its dependency and its view parent, not the view parent's others.
        SelectionCase{"ParentBringsItsOwn", false, "+13", "1,6,12,13", "1,12,13"},
        SelectionCase{"GroupSelectsViewChildren", false, "+6", "1,6,7,8,12", "1,7,8"},
        SelectionCase{"ViewChildSelectsGroup", false, "+7", "6,7", "7"},
        SelectionCase{"CycleStops", false, "+14", "14,15", nullptr},
        SelectionCase{"ReselectChangesNothing", false, "+7 +7", "6,7", "7"},
        // Deselection.
        SelectionCase{"GroupStaysWhileAViewChildIs", true, "-7",
                      "1,2,3,4,5,6,8,9,10,11,12,13,14,15", "1,2,3,4,5,8,9,10,11,12,13,14,15"},
        SelectionCase{"LastViewChildTakesGroup", true, "-7 -8 -12", "1,2,3,4,5,9,10,11,14,15",
                      nullptr},
        SelectionCase{"GroupWithLibraryStays", true, "-10 -11", "1,2,3,4,5,6,7,8,9,12,13,14,15",
                      "1,2,3,4,5,6,7,8,12,13,14,15"},
        SelectionCase{"GroupTakesViewChildren", true, "-6", "1,2,3,4,5,9,10,11,14,15", nullptr},
        SelectionCase{"DependentsTransitive", true, "-1", "2,3,6,7,8,9,10,11,14,15",
                      "3,7,8,9,10,11,14,15"},
        SelectionCase{"ChildrenAndTheirDependents", true, "-2", "1,6,7,8,9,10,11,12,13,14,15",
                      nullptr},
        SelectionCase{"CycleDeselected", true, "-15", "1,2,3,4,5,6,7,8,9,10,11,12,13", nullptr},
        SelectionCase{"BackAgain", true, "-1 +5", "1,2,3,4,5,6,7,8,9,10,11,14,15", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Selection, BadDependItemRaisesAfterTheItemsBefore) {
  Loaded t = Load("[SubSystems]\nA=1\nB=2\nC=3\n[A]\nDepend=2,x,3\n[B]\n[C]");
  EXPECT_THROW(SelectNode(t.Node(1)), plat::EConvertError);
  EXPECT_EQ(SelectedOf(*t.tree), "1,2");
}

TEST(Selection, AllKeepAndNotInstalled) {
  Loaded t =
      Load(plat::A("[SubSystems]\nA=1\nB=2\nC=3\nG=4\n[A]\nShort name=Alpha\n[B]\nShort name=Бета\n"
                   "[C]\nParent=1\nShort name=Gamma\n[G]\nShort name=Group\nViewOnly=true"));
  SelectAll(*t.tree);
  EXPECT_EQ(FullOf(*t.tree), "1,3,2,4");
  KeepSelection(*t.tree);
  DeselectNotInstalled(*t.tree, {"ALPHA", plat::A("бЕТА")});
  EXPECT_EQ(SelectedOf(*t.tree), "1,2,4");  // the group is never looked at
  EXPECT_EQ(Flagged(*t.tree, &TSubsystemInfo::PriorSelected), "1,3,2,4");
  EXPECT_FALSE(AllChildrenFull(t.Node(1)));
  DeselectAll(*t.tree);
  EXPECT_EQ(SelectedOf(*t.tree) + FullOf(*t.tree), "");
}

// A description of n subsystems where subsystem i has `key`=i-1 (i > 1).
std::string Chain(int n, const std::string& key) {
  std::string entries = "[SubSystems]\n", sections;
  for (int i = 1; i <= n; ++i) {
    entries += "S" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    sections += "[S" + std::to_string(i) + "]\n";
    if (i > 1) sections += key + "=" + std::to_string(i - 1) + "\n";
  }
  return entries + sections;
}

TEST(Selection, LongChainsOfParentsDependenciesAndViewParents) {
  constexpr int kLength = 10000;
  for (const char* key : {"Parent", "Depend", "ViewParent"}) {
    SCOPED_TRACE(key);
    Loaded t = Load(Chain(kLength, key));
    ASSERT_EQ(t.tree->AllNodesCount(), kLength);
    SelectNode(t.Node(kLength));
    const std::string selected = SelectedOf(*t.tree);
    EXPECT_EQ(std::count(selected.begin(), selected.end(), ',') + 1, kLength);
    EXPECT_TRUE(t.Node(1).Info.Selected);
    DeselectNode(t.Node(1));
    // Deselection goes down children, dependents and view children.
    EXPECT_EQ(SelectedOf(*t.tree), "");
  }
}

}  // namespace
}  // namespace niv::test
