#include "model/TreeCopies.h"

#include <exception>
#include <utility>
#include <vector>

#include "model/NumberList.h"

namespace niv {
namespace {

std::unique_ptr<TSysNode> CopyOf(const TSysNode& source) {
  auto copy = std::make_unique<TSysNode>();
  CopyInfo(copy->Info, source.Info);
  return copy;
}

TSysNode* ChildNumbered(const TCustomSysNode& container, int32_t number) {
  for (auto& child : container.Children())
    if (child->Info.Number == number) return child.get();
  return nullptr;
}

// A walk over pairs of a source container and what stands for it elsewhere, each source child
// handed to visit in depth-first order; visit gives what stands for the child, or none to skip
// the child's subtree.
template <class Target, class Visit>
void WalkPairs(const TCustomSysNode& source, Target* target, Visit visit) {
  struct Frame {
    const TCustomSysNode* source;
    Target* target;
    size_t next;
  };
  std::vector<Frame> stack{{&source, target, 0}};
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next == frame.source->Children().size()) {
      stack.pop_back();
      continue;
    }
    const TSysNode& child = *frame.source->Children()[frame.next++];
    Target* standIn = nullptr;
    if (visit(child, frame.target, standIn)) stack.push_back({&child, standIn, 0});
  }
}

}  // namespace

void CopySelected(TCustomSysNode& target, const TCustomSysNode& source) {
  target.Clear();
  WalkPairs(source, &target, [](const TSysNode& child, TCustomSysNode* to, TCustomSysNode*& copy) {
    if (!child.Info.Selected || child.Info.ViewOnly) return false;
    copy = &to->Add(CopyOf(child));
    return true;
  });
}

void CopyDeselectedBranches(const TCustomSysNode& source, TSysTree& target) {
  WalkPairs(source, &target, [&](const TSysNode& child, TSysTree*, TSysTree*& passOn) {
    if (child.Info.Selected) {
      passOn = &target;
      return true;
    }
    auto copy = CopyOf(child);
    copy->Info.Selected = false;
    CopySubtree(child, target.Add(std::move(copy)));
    return false;
  });
}

void MergeInto(const TSysTree& source, TSysTree* target) {
  if (!target) return;
  try {
    WalkPairs(source, static_cast<TCustomSysNode*>(target),
              [](const TSysNode& child, TCustomSysNode* into, TCustomSysNode*& same) {
                if (TSysNode* found = ChildNumbered(*into, child.Info.Number)) {
                  if (!child.Info.Selected) found->Info.Selected = false;
                  same = found;
                } else {
                  auto copy = CopyOf(child);
                  copy->Info.Selected = child.Info.Selected;
                  same = &into->Add(std::move(copy));
                }
                return true;
              });
  } catch (const std::exception&) {
    // what was merged stays
  }
}

TSysNode& CopyWithAncestors(const TSysNode& node, TSysTree& target) {
  std::vector<const TSysNode*> ancestors;
  for (TCustomSysNode* up = node.ParentNode(); up && up->AsNode(); up = up->ParentNode())
    ancestors.push_back(up->AsNode());
  TCustomSysNode* container = &target;
  for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it)
    container = &container->Add(CopyOf(**it));
  TSysNode& copy = container->Add(CopyOf(node));
  CopySubtree(node, copy);
  return copy;
}

bool ComputeFull(TSysNode& node) {
  // Post-order: a node's flag is settled once all its children are.
  std::vector<std::pair<TSysNode*, size_t>> stack{{&node, 0}};
  node.Info.FullySelected = node.Info.Selected;
  while (!stack.empty()) {
    auto& [current, next] = stack.back();
    if (next == current->Children().size()) {
      TSysNode* done = current;
      stack.pop_back();
      if (!stack.empty() && !done->Info.FullySelected)
        stack.back().first->Info.FullySelected = false;
      continue;
    }
    TSysNode& child = *current->Children()[next++];
    child.Info.FullySelected = child.Info.Selected;
    stack.emplace_back(&child, 0);
  }
  return node.Info.FullySelected;
}

bool KeepPresentIn(TSysTree& a, const TSysTree* b) {
  if (!b) return false;
  try {
    // Each node of A with the node of B at the same place, or none.
    std::vector<std::pair<TSysNode*, const TCustomSysNode*>> stack;
    for (auto& top : a.Children()) stack.emplace_back(top.get(), b);
    while (!stack.empty()) {
      auto [node, place] = stack.back();
      stack.pop_back();
      const TCustomSysNode* same = nullptr;
      if (place && place->Count() > 0) same = ChildNumbered(*place, node->Info.Number);
      if (!same) node->Info.Selected = false;
      for (auto& child : node->Children()) stack.emplace_back(child.get(), same);
    }
    for (auto& top : a.Children()) ComputeFull(*top);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void RemoveFullySelected(TCustomSysNode& root) {
  std::vector<TCustomSysNode*> pending{&root};
  while (!pending.empty()) {
    TCustomSysNode* container = pending.back();
    pending.pop_back();
    for (int i = container->Count() - 1; i >= 0; --i) {
      if (container->Child(i).Info.FullySelected)
        container->Delete(i);
      else
        pending.push_back(&container->Child(i));
    }
  }
}

void RemoveDeselected(TCustomSysNode& root, bool allDepths) {
  std::vector<TCustomSysNode*> pending{&root};
  while (!pending.empty()) {
    TCustomSysNode* container = pending.back();
    pending.pop_back();
    for (int i = container->Count() - 1; i >= 0; --i)
      if (!container->Child(i).Info.Selected) container->Delete(i);
    if (allDepths)
      for (int i = container->Count() - 1; i >= 0; --i) pending.push_back(&container->Child(i));
  }
}

TSysNode* FindDescendant(const TCustomSysNode& root, int32_t number) {
  std::vector<std::pair<const TCustomSysNode*, size_t>> stack{{&root, 0}};
  while (!stack.empty()) {
    auto& [container, next] = stack.back();
    if (next == container->Children().size()) {
      stack.pop_back();
      continue;
    }
    TSysNode& child = *container->Children()[next++];
    if (child.Info.Number == number) return &child;
    stack.emplace_back(&child, 0);
  }
  return nullptr;
}

void PruneReferences(TSysTree& tree) {
  auto present = [&](const std::string& list) {
    std::vector<int32_t> kept;
    for (const std::string& item : SplitList(list)) {
      const int32_t number = ListItemNumber(item);
      if (tree.FindNode(number)) kept.push_back(number);
    }
    return JoinNumbers(kept);
  };
  for (TSysNode* node : tree.AllNodes()) {
    std::string depend = present(node->Info.Depend);
    std::string dependents = present(node->Info.Dependents);
    node->Info.Depend = std::move(depend);
    node->Info.Dependents = std::move(dependents);
  }
}

}  // namespace niv
