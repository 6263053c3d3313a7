#include <gtest/gtest.h>

#include "ModelTestUtil.h"
#include "forms/ComCtrls.h"
#include "model/Selection.h"

namespace niv::test {
namespace {

std::string Items(const forms::TTreeNode& item) {
  std::string text = item.Text;
  if (item.Count() == 0) return text;
  text += "(";
  for (int i = 0; i < item.Count(); ++i) text += (i ? "," : "") + Items(*item.Item(i));
  return text + ")";
}

std::string Items(const forms::TTreeNodes& items) {
  std::string text;
  for (int i = 0; i < items.RootCount(); ++i) text += (i ? "," : "") + Items(*items.Root(i));
  return text;
}

// Nodes as "number:viewParent", all deselected, each named N<number>.
std::unique_ptr<TSysTree> ViewTree(std::initializer_list<std::pair<int32_t, int32_t>> nodes) {
  auto tree = std::make_unique<TSysTree>();
  for (auto [number, viewParent] : nodes) {
    auto node = std::make_unique<TSysNode>();
    node->Info.Number = number;
    node->Info.ViewParent = viewParent;
    node->Info.ShortName = "N" + std::to_string(number);
    node->Info.Selected = node->Info.FullySelected = false;
    tree->Add(std::move(node));
  }
  return tree;
}

TEST(FillView, ShowsNodesUnderTheirViewParents) {
  // 4 is never shown, 6 names a view parent that is not there, 2 and 7 hang under 1.
  auto tree = ViewTree({{1, 0}, {2, 1}, {3, 2}, {4, -1}, {5, 0}, {6, 9}, {7, 1}});
  forms::TTreeNodes items(nullptr);
  ASSERT_TRUE(FillView(*tree, items));
  EXPECT_EQ(Items(items), "N1(N2(N3),N7),N5");
  EXPECT_FALSE(items.Updating());
  EXPECT_EQ(SelectedOf(*tree), "1,2,3,4,5,7");
  EXPECT_EQ(FullOf(*tree), "1,2,3,4,5,7");
  EXPECT_EQ(items.Root(0)->Data, tree->FindNode(1));
}

TEST(FillView, EndsOnNodesThatWouldNameThemselves) {
  // A node numbered 0 would count every root as its view child; a second node numbered 5 that
  // hangs under the first one would count itself.
  auto tree = ViewTree({{1, 0}, {0, 0}, {5, 0}, {5, 5}});
  forms::TTreeNodes items(nullptr);
  ASSERT_TRUE(FillView(*tree, items));
  EXPECT_EQ(Items(items), "N1,N0,N5(N5)");

  forms::TTreeNodes none(nullptr);
  TSysTree empty;
  EXPECT_TRUE(FillView(empty, none));
  EXPECT_EQ(none.Count(), 0);
}

TEST(FillView, LongViewChains) {
  constexpr int kLength = 10000;
  auto tree = std::make_unique<TSysTree>();
  for (int i = 1; i <= kLength; ++i) {
    auto node = std::make_unique<TSysNode>();
    node->Info.Number = i;
    node->Info.ViewParent = i - 1;
    tree->Add(std::move(node));
  }
  forms::TTreeNodes items(nullptr);
  ASSERT_TRUE(FillView(*tree, items));
  EXPECT_EQ(items.RootCount(), 1);
  const forms::TTreeNode* last = items.Root(0);
  while (last->Count() > 0) last = last->Item(0);
  EXPECT_EQ(last->Level(), kLength - 1);
}

}  // namespace
}  // namespace niv::test
