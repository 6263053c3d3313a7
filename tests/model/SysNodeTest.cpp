#include <gtest/gtest.h>

#include "ModelTestUtil.h"
#include "platform/Exceptions.h"

namespace niv::test {
namespace {

std::unique_ptr<TSysNode> NewNode(int32_t number, int32_t viewParent = 0) {
  auto node = std::make_unique<TSysNode>();
  node->Info.Number = number;
  node->Info.ViewParent = viewParent;
  return node;
}

TEST(SysTree, AnswersForTheWholeTreeFromAnyNode) {
  TSysTree tree;
  TSysNode& a = tree.Add(NewNode(1));
  TSysNode& b = a.Add(NewNode(2, 1));
  TSysNode& c = b.Add(NewNode(3, 1));
  TSysNode& d = tree.Add(NewNode(4, 2));
  EXPECT_EQ(tree.AllNodesCount(), 4);
  EXPECT_EQ(c.FindNode(4), &d);
  EXPECT_EQ(d.FindNode(3), &c);
  EXPECT_EQ(c.FindNode(99), nullptr);
  EXPECT_EQ(d.ViewChildrenOf(1), "2,3");
  EXPECT_EQ(c.ViewChildrenOf(5), "");
  EXPECT_EQ(b.ParentNode(), &a);
  EXPECT_EQ(a.ParentNode(), &tree);

  c.Info.FullySelected = false;
  EXPECT_FALSE(d.AllViewChildrenFull(1));
  EXPECT_TRUE(d.AllViewChildrenFull(2));
  EXPECT_TRUE(a.AllViewChildrenFull(7));
  EXPECT_FALSE(a.NoViewChildSelected(2));
  d.Info.Selected = false;
  EXPECT_TRUE(a.NoViewChildSelected(2));
}

TEST(SysTree, NodeFindsItselfAndItsAncestorsFirst) {
  TSysTree tree;
  TSysNode& first = tree.Add(NewNode(5));
  TSysNode& parent = tree.Add(NewNode(7));
  TSysNode& child = parent.Add(NewNode(5));
  EXPECT_EQ(child.FindNode(5), &child);
  EXPECT_EQ(tree.FindNode(5), &first);
  EXPECT_EQ(parent.FindNode(5), &first);
}

TEST(SysTree, DeleteUnregistersTheWholeBranch) {
  auto tree = Tree("1(2(3),4),5");
  tree->Delete(0);
  EXPECT_EQ(Shape(*tree), "5");
  EXPECT_EQ(tree->AllNodesCount(), 1);
  for (int number : {1, 2, 3, 4}) EXPECT_EQ(tree->FindNode(number), nullptr);
  EXPECT_THROW(tree->Delete(1), plat::EListError);
  EXPECT_THROW(tree->Child(-1), plat::EListError);
  tree->Clear();
  EXPECT_EQ(tree->AllNodesCount(), 0);
}

TEST(SysTree, DuplicateNumbersUnregisterTheNodeDeleted) {
  // Two nodes numbered 0 (as children with a header spelled differently get): deleting one must
  // leave the other findable and no pointer to the deleted one behind.
  auto tree = Tree("0,1(0)");
  TSysNode* kept = tree->FindNode(0);
  tree->FindNode(1)->Delete(0);
  EXPECT_EQ(tree->FindNode(0), kept);
  tree->Delete(0);
  EXPECT_EQ(tree->FindNode(0), nullptr);
  EXPECT_EQ(tree->AllNodesCount(), 1);
}

TEST(SysTree, NodesOfADetachedParentAreNotRegistered) {
  TSysTree tree;
  auto detached = NewNode(1);
  detached->Add(NewNode(2));
  TSysNode& added = tree.Add(std::move(detached));
  EXPECT_EQ(tree.AllNodesCount(), 1);
  EXPECT_EQ(tree.FindNode(2), nullptr);
  // Later children of the added node are registered, and its old child reaches the tree.
  added.Add(NewNode(3));
  EXPECT_EQ(tree.AllNodesCount(), 2);
  EXPECT_EQ(added.Child(0).FindNode(3), &added.Child(1));
}

TEST(SysTree, ReindexAfterChangingNumbers) {
  auto tree = Tree("1,2");
  tree->FindNode(2)->Info.Number = 3;
  tree->Reindex();
  EXPECT_EQ(tree->FindNode(2), nullptr);
  ASSERT_NE(tree->FindNode(3), nullptr);
  // A stale entry is noticed by the lookup itself.
  tree->FindNode(1)->Info.Number = 8;
  EXPECT_EQ(tree->FindNode(1), nullptr);
  EXPECT_NE(tree->FindNode(8), nullptr);
}

TEST(CopySubtree, CopiesRecordsWithTheFlagsOfNewNodes) {
  auto source = Tree("1(-2(-3),4)");
  source->FindNode(2)->Info.Archives = "x.zip";
  source->FindNode(2)->Info.PriorSelected = true;
  auto target = Tree("9");
  CopySubtree(*source->FindNode(1), *target->FindNode(9));
  EXPECT_EQ(Shape(*target), "9(2(3),4)");
  EXPECT_EQ(target->AllNodesCount(), 4);
  EXPECT_EQ(target->FindNode(2)->Info.Archives, "x.zip");
  EXPECT_FALSE(target->FindNode(2)->Info.PriorSelected);
}

}  // namespace
}  // namespace niv::test
