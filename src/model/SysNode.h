#pragma once
// The subsystem tree: a tree object holds top-level nodes, a node holds its record and its
// children. Every node added to a parent that already belongs to a tree is registered with that
// tree, which answers the lookups by number and by view parent for the whole tree, from any node.
//
// The tree indexes a node under the Number and ViewParent its record has when the node is added:
// fill the record first, then add the node (every operation of the model does). After changing
// those fields of nodes already in a tree, call TSysTree::Reindex.
//
// No operation here recurses along the depth of a tree: parent chains may be arbitrarily long.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/SubsystemInfo.h"

namespace niv {

class TSysNode;
class TSysTree;

class TCustomSysNode {
 public:
  TCustomSysNode() = default;
  virtual ~TCustomSysNode();
  TCustomSysNode(const TCustomSysNode&) = delete;
  TCustomSysNode& operator=(const TCustomSysNode&) = delete;

  // Takes the node, sets its ParentNode to this object, appends it to the children and registers
  // it with the tree this object belongs to. Gives the added node.
  TSysNode& Add(std::unique_ptr<TSysNode> node);
  virtual void RegisterNode(TSysNode& node) = 0;
  // Unregisters and destroys the child at index with its whole subtree. An index out of range
  // raises plat::EListError.
  void Delete(int index);
  // Removes the node from the lookups of the tree; nothing when it is not registered.
  virtual void UnregisterNode(TSysNode& node) = 0;
  // For a node: itself or the nearest ancestor with that number, otherwise the tree's answer.
  // For the tree: the first registered node with that number. None when there is none.
  virtual TSysNode* FindNode(int32_t number) = 0;
  // The numbers of the registered nodes whose ViewParent is number, in registration order,
  // joined by ","; empty when there is none.
  virtual std::string ViewChildrenOf(int32_t number) = 0;
  // False as soon as a registered node with that ViewParent is not FullySelected.
  virtual bool AllViewChildrenFull(int32_t number) = 0;
  // False as soon as a registered node with that ViewParent is Selected.
  virtual bool NoViewChildSelected(int32_t number) = 0;

  int Count() const { return static_cast<int>(children_.size()); }
  // An index out of range raises plat::EListError.
  TSysNode& Child(int index) const;
  // Deletes the last child until none is left.
  void Clear();
  const std::vector<std::unique_ptr<TSysNode>>& Children() const { return children_; }
  // The node or tree that holds this object; none until it is added somewhere.
  TCustomSysNode* ParentNode() const { return parent_; }

  // The tree this object belongs to: itself for a tree; none for a node outside any tree.
  virtual TSysTree* OwnerTree() = 0;
  // This object as a node; none for a tree.
  virtual TSysNode* AsNode() { return nullptr; }

 private:
  static void DestroySubtree(std::unique_ptr<TSysNode> root, TSysTree* tree);

  std::vector<std::unique_ptr<TSysNode>> children_;
  TCustomSysNode* parent_ = nullptr;
};

class TSysNode : public TCustomSysNode {
 public:
  // A new node is Selected and FullySelected; everything else of its record is empty or 0.
  TSysNode();

  TSubsystemInfo Info;

  void RegisterNode(TSysNode& node) override;
  void UnregisterNode(TSysNode& node) override;
  TSysNode* FindNode(int32_t number) override;
  std::string ViewChildrenOf(int32_t number) override;
  bool AllViewChildrenFull(int32_t number) override;
  bool NoViewChildSelected(int32_t number) override;
  TSysTree* OwnerTree() override;
  TSysNode* AsNode() override { return this; }

 private:
  friend class TSysTree;
  TSysTree* tree_ = nullptr;  // found once, then kept: nodes never move between trees
  // Registration with a tree: its order and the keys it is indexed under.
  uint64_t regSeq_ = 0;
  int32_t regNumber_ = 0;
  int32_t regViewParent_ = 0;
  // Every ancestor is registered too, so the tree's index knows their numbers.
  bool ancestorsRegistered_ = false;
};

class TSysTree : public TCustomSysNode {
 public:
  TSysTree() = default;
  // Deletes every node first, while the lookups still exist.
  ~TSysTree() override;

  void RegisterNode(TSysNode& node) override;
  void UnregisterNode(TSysNode& node) override;
  TSysNode* FindNode(int32_t number) override;
  std::string ViewChildrenOf(int32_t number) override;
  bool AllViewChildrenFull(int32_t number) override;
  bool NoViewChildSelected(int32_t number) override;
  TSysTree* OwnerTree() override { return this; }

  // Every registered node at any depth, in the order of registration.
  std::vector<TSysNode*> AllNodes() const;
  int AllNodesCount() const { return static_cast<int>(all_.size()); }
  // The registered nodes whose ViewParent is number, in registration order.
  std::vector<TSysNode*> NodesWithViewParent(int32_t number);
  bool HasViewChildren(int32_t number) { return ViewChildren(number) != nullptr; }
  // Builds the lookups again from the records as they are now.
  void Reindex();

 private:
  using Ordered = std::map<uint64_t, TSysNode*>;
  // The nodes of one key in registration order: nearly always a single one.
  using Bucket = std::vector<std::pair<uint64_t, TSysNode*>>;
  friend class TSysNode;
  void Index(TSysNode& node);
  // The first registered node with that number and how many there are, after making sure the
  // index is current.
  TSysNode* FindFirst(int32_t number, size_t& count);
  // The registered nodes with that ViewParent, in order, after making sure the index is current.
  const Bucket* ViewChildren(int32_t number);

  Ordered all_;
  std::unordered_map<int32_t, Bucket> byNumber_;
  std::unordered_map<int32_t, Bucket> byViewParent_;
  uint64_t nextSeq_ = 1;
};

// For each child of the source in order: a new node with the child's record (CopyInfo), added to
// the target, then the child's own children under it the same way. The copies keep the flags of
// a new node. The target should belong to a tree already.
void CopySubtree(const TCustomSysNode& source, TCustomSysNode& target);

// Calls visit for every node below root, depth first, each node before its children and children
// in order; root itself is not visited. visit must not add or delete nodes.
template <class Visit>
void ForEachBelow(const TCustomSysNode& root, Visit&& visit) {
  std::vector<std::pair<const TCustomSysNode*, size_t>> stack{{&root, 0}};
  while (!stack.empty()) {
    auto& [container, next] = stack.back();
    if (next == container->Children().size()) {
      stack.pop_back();
      continue;
    }
    TSysNode& node = *container->Children()[next++];
    visit(node);
    stack.emplace_back(&node, 0);
  }
}

}  // namespace niv
