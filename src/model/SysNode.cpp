#include "model/SysNode.h"

#include <algorithm>
#include <utility>

#include "platform/Exceptions.h"
#include "platform/Text.h"

namespace niv {

void CopyInfo(TSubsystemInfo& target, const TSubsystemInfo& source) {
  const bool selected = target.Selected;
  const bool fully = target.FullySelected;
  const bool prior = target.PriorSelected;
  target = source;
  target.Selected = selected;
  target.FullySelected = fully;
  target.PriorSelected = prior;
}

namespace {

void RangeError(int index) {
  throw plat::EListError("List index out of bounds (" + plat::IntToStr(index) + ")");
}

}  // namespace

// Each node is unregistered, its children are taken out, and only then is it freed, so that no
// destructor recurses. The order is that of deleting the last child first at every level.
void TCustomSysNode::DestroySubtree(std::unique_ptr<TSysNode> root, TSysTree* tree) {
  std::vector<std::unique_ptr<TSysNode>> pending;
  pending.push_back(std::move(root));
  while (!pending.empty()) {
    std::unique_ptr<TSysNode> node = std::move(pending.back());
    pending.pop_back();
    if (tree) tree->UnregisterNode(*node);
    auto& children = static_cast<TCustomSysNode&>(*node).children_;
    for (auto& child : children) pending.push_back(std::move(child));
    children.clear();
  }
}

TCustomSysNode::~TCustomSysNode() {
  // A tree has emptied itself already; a node outside any tree has nobody to tell.
  while (!children_.empty()) {
    std::unique_ptr<TSysNode> child = std::move(children_.back());
    children_.pop_back();
    DestroySubtree(std::move(child), nullptr);
  }
}

TSysNode& TCustomSysNode::Add(std::unique_ptr<TSysNode> node) {
  TSysNode& added = *node;
  added.parent_ = this;
  children_.push_back(std::move(node));
  RegisterNode(added);
  return added;
}

void TCustomSysNode::Delete(int index) {
  if (index < 0 || index >= Count()) RangeError(index);
  std::unique_ptr<TSysNode> child = std::move(children_[index]);
  children_.erase(children_.begin() + index);
  DestroySubtree(std::move(child), OwnerTree());
}

TSysNode& TCustomSysNode::Child(int index) const {
  if (index < 0 || index >= Count()) RangeError(index);
  return *children_[index];
}

void TCustomSysNode::Clear() {
  while (!children_.empty()) Delete(Count() - 1);
}

// --- TSysNode -----------------------------------------------------------------------------

TSysNode::TSysNode() {
  Info.Selected = true;
  Info.FullySelected = true;
}

TSysTree* TSysNode::OwnerTree() {
  if (tree_) return tree_;
  for (TCustomSysNode* up = ParentNode(); up; up = up->ParentNode()) {
    TSysNode* node = up->AsNode();
    if (!node) {
      tree_ = up->OwnerTree();
      break;
    }
    if (node->tree_) {
      tree_ = node->tree_;
      break;
    }
  }
  return tree_;
}

void TSysNode::RegisterNode(TSysNode& node) {
  if (TSysTree* tree = OwnerTree()) tree->RegisterNode(node);
}

void TSysNode::UnregisterNode(TSysNode& node) {
  if (TSysTree* tree = OwnerTree()) tree->UnregisterNode(node);
}

TSysNode* TSysNode::FindNode(int32_t number) {
  // With one node of that number at most, and every ancestor known to the index, the tree's
  // answer is the same as that of the walk up the ancestors.
  if (regSeq_ != 0 && ancestorsRegistered_) {
    size_t count = 0;
    TSysNode* first = tree_->FindFirst(number, count);
    if (count <= 1) return first;
  }
  for (TCustomSysNode* up = this; up; up = up->ParentNode()) {
    TSysNode* node = up->AsNode();
    if (!node) return up->FindNode(number);
    if (node->Info.Number == number) return node;
  }
  return nullptr;
}

std::string TSysNode::ViewChildrenOf(int32_t number) {
  TSysTree* tree = OwnerTree();
  return tree ? tree->ViewChildrenOf(number) : std::string();
}

bool TSysNode::AllViewChildrenFull(int32_t number) {
  TSysTree* tree = OwnerTree();
  return tree ? tree->AllViewChildrenFull(number) : true;
}

bool TSysNode::NoViewChildSelected(int32_t number) {
  TSysTree* tree = OwnerTree();
  return tree ? tree->NoViewChildSelected(number) : true;
}

// --- TSysTree -----------------------------------------------------------------------------

TSysTree::~TSysTree() {
  Clear();
}

void TSysTree::Index(TSysNode& node) {
  node.regNumber_ = node.Info.Number;
  node.regViewParent_ = node.Info.ViewParent;
  // Registration order is the order of sequence numbers, and Reindex goes in that order too.
  byNumber_[node.regNumber_].emplace_back(node.regSeq_, &node);
  byViewParent_[node.regViewParent_].emplace_back(node.regSeq_, &node);
}

void TSysTree::RegisterNode(TSysNode& node) {
  if (node.regSeq_ != 0) return;  // already registered
  node.regSeq_ = nextSeq_++;
  node.tree_ = this;
  TSysNode* parent = node.ParentNode() ? node.ParentNode()->AsNode() : nullptr;
  node.ancestorsRegistered_ =
      node.ParentNode() == this ||
      (parent && parent->regSeq_ != 0 && parent->tree_ == this && parent->ancestorsRegistered_);
  all_.emplace(node.regSeq_, &node);
  Index(node);
}

void TSysTree::UnregisterNode(TSysNode& node) {
  if (node.regSeq_ == 0 || node.tree_ != this) return;
  auto drop = [&](std::unordered_map<int32_t, Bucket>& index, int32_t key) {
    auto it = index.find(key);
    if (it == index.end()) return;
    Bucket& bucket = it->second;
    auto at = std::lower_bound(bucket.begin(), bucket.end(), std::pair{node.regSeq_, &node},
                               [](const auto& a, const auto& b) { return a.first < b.first; });
    if (at != bucket.end() && at->first == node.regSeq_) bucket.erase(at);
    if (bucket.empty()) index.erase(it);
  };
  drop(byNumber_, node.regNumber_);
  drop(byViewParent_, node.regViewParent_);
  all_.erase(node.regSeq_);
  node.regSeq_ = 0;
}

void TSysTree::Reindex() {
  byNumber_.clear();
  byViewParent_.clear();
  for (auto& [seq, node] : all_) Index(*node);
}

TSysNode* TSysTree::FindFirst(int32_t number, size_t& count) {
  count = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    auto it = byNumber_.find(number);
    if (it == byNumber_.end()) return nullptr;
    TSysNode* first = it->second.front().second;
    if (first->Info.Number == number) {
      count = it->second.size();
      return first;
    }
    Reindex();  // a record was changed after it was added
  }
  return nullptr;
}

TSysNode* TSysTree::FindNode(int32_t number) {
  size_t count = 0;
  return FindFirst(number, count);
}

const TSysTree::Bucket* TSysTree::ViewChildren(int32_t number) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    auto it = byViewParent_.find(number);
    if (it == byViewParent_.end()) return nullptr;
    bool current = true;
    for (auto& [seq, node] : it->second) current = current && node->Info.ViewParent == number;
    if (current) return &it->second;
    Reindex();
  }
  return nullptr;
}

std::string TSysTree::ViewChildrenOf(int32_t number) {
  std::string list;
  if (const Bucket* children = ViewChildren(number)) {
    for (auto& [seq, node] : *children) {
      if (!list.empty()) list += ',';
      list += plat::IntToStr(node->Info.Number);
    }
  }
  return list;
}

bool TSysTree::AllViewChildrenFull(int32_t number) {
  if (const Bucket* children = ViewChildren(number)) {
    for (auto& [seq, node] : *children)
      if (!node->Info.FullySelected) return false;
  }
  return true;
}

bool TSysTree::NoViewChildSelected(int32_t number) {
  if (const Bucket* children = ViewChildren(number)) {
    for (auto& [seq, node] : *children)
      if (node->Info.Selected) return false;
  }
  return true;
}

std::vector<TSysNode*> TSysTree::NodesWithViewParent(int32_t number) {
  std::vector<TSysNode*> nodes;
  if (const Bucket* children = ViewChildren(number))
    for (auto& [seq, node] : *children) nodes.push_back(node);
  return nodes;
}

std::vector<TSysNode*> TSysTree::AllNodes() const {
  std::vector<TSysNode*> nodes;
  nodes.reserve(all_.size());
  for (auto& [seq, node] : all_) nodes.push_back(node);
  return nodes;
}

// --- copies -------------------------------------------------------------------------------

void CopySubtree(const TCustomSysNode& source, TCustomSysNode& target) {
  // Each copy is added to its parent copy before it receives children.
  std::vector<std::pair<const TCustomSysNode*, TCustomSysNode*>> stack{{&source, &target}};
  std::vector<size_t> next{0};
  while (!stack.empty()) {
    auto [from, to] = stack.back();
    size_t& index = next.back();
    if (index == from->Children().size()) {
      stack.pop_back();
      next.pop_back();
      continue;
    }
    const TSysNode& child = *from->Children()[index++];
    auto copy = std::make_unique<TSysNode>();
    CopyInfo(copy->Info, child.Info);
    TSysNode& added = to->Add(std::move(copy));
    stack.emplace_back(&child, &added);
    next.push_back(0);
  }
}

}  // namespace niv
