#include "model/Selection.h"

#include <exception>
#include <unordered_set>

#include "forms/ComCtrls.h"
#include "forms/StringList.h"
#include "model/NumberList.h"
#include "platform/Text.h"

namespace niv {
namespace {

bool FullAsViewParent(TSysNode& node) {
  return AllChildrenFull(node) && node.AllViewChildrenFull(node.Info.Number);
}

TSysNode* ParentOf(TSysNode& node) {
  return node.ParentNode() ? node.ParentNode()->AsNode() : nullptr;
}

// While the parent is selected and fully selected, it is no longer fully selected; the parent
// stays selected.
void ClearFullUpwards(TSysNode& node) {
  for (TSysNode* up = ParentOf(node); up && up->Info.Selected && up->Info.FullySelected;
       up = ParentOf(*up))
    up->Info.FullySelected = false;
}

enum class Op {
  SelectNode,
  UpdateParentState,
  SelectAsParent,
  SelectDependencies,
  SelectViewChildren,
  UpdateViewParent,
  DeselectNode,
  DeselectViewParent,
  DeselectChildren,
  DeselectDependents,
  DeselectViewChildren,
};

// One call of a propagation rule: where it is in its steps, and what it loops over.
struct Frame {
  Frame(Op op, TSysNode& node) : op(op), node(&node) {}
  Op op;
  TSysNode* node;
  int step = 0;
  // The list the call goes through: a field of the node's record, or a list made for the call.
  const std::string* field = nullptr;
  std::string made;
  size_t next = 0;
  TSysNode* viewParent = nullptr;
  bool wasFull = false;

  const std::string& List() const { return field ? *field : made; }
  // The next item of the list, as SplitList gives them; false after the last.
  bool NextItem(std::string_view& item) {
    const std::string& list = List();
    if (next >= list.size()) return false;
    size_t end = list.find(',', next);
    if (end == std::string::npos) end = list.size();
    item = std::string_view(list).substr(next, end - next);
    next = end + 1;
    return true;
  }
};

bool HasViewChildren(TSysNode& node) {
  TSysTree* tree = node.OwnerTree();
  return tree && tree->HasViewChildren(node.Info.Number);
}

// Calls that would return at once are not made at all.
bool NothingToDo(Op op, TSysNode& node) {
  const TSubsystemInfo& info = node.Info;
  switch (op) {
    case Op::UpdateParentState:
      return ParentOf(node) == nullptr;
    case Op::SelectDependencies:
      return info.Depend.empty();
    case Op::SelectViewChildren:
    case Op::DeselectViewChildren:
      return !HasViewChildren(node);
    case Op::UpdateViewParent:
    case Op::DeselectViewParent:
      return info.ViewParent <= 0;
    case Op::DeselectChildren:
      return node.Count() == 0;
    case Op::DeselectDependents:
      return info.Dependents.empty();
    default:
      return false;
  }
}

// Runs the rules as the nested calls they are, with the calls kept on a stack of frames
// instead of the machine stack. A step that calls another rule records where to go on first.
class TPropagation {
 public:
  void Run(Op op, TSysNode& node) {
    Call(op, node);
    while (!stack_.empty()) Step(stack_.back());
  }

 private:
  void Call(Op op, TSysNode& node) {
    if (!NothingToDo(op, node)) stack_.emplace_back(op, node);
  }
  void Return() { stack_.pop_back(); }
  // A call as the last thing a rule does replaces the rule's frame.
  void TailCall(Frame& frame, Op op, TSysNode& node) {
    if (NothingToDo(op, node))
      Return();
    else
      frame = Frame(op, node);
  }
  void Then(Frame& frame, int step, Op op, TSysNode& node) {
    frame.step = step;
    Call(op, node);  // frame is not touched after this
  }

  // Calls op on the next node named by the frame's items that passes the test; returns when the
  // items are used up.
  template <class Wanted>
  void ForEachNamed(Frame& frame, Op op, Wanted wanted) {
    std::string_view item;
    while (frame.NextItem(item)) {
      const int32_t number = ListItemNumber(item);
      TSysNode* found = frame.node->FindNode(number);
      if (found && wanted(*found)) {
        Call(op, *found);
        return;
      }
    }
    Return();
  }

  void Step(Frame& frame) {
    TSysNode& node = *frame.node;
    TSubsystemInfo& info = node.Info;
    auto unselected = [](TSysNode& n) { return !n.Info.Selected; };
    auto selected = [](TSysNode& n) { return n.Info.Selected; };
    switch (frame.op) {
      case Op::SelectNode:
        switch (frame.step) {
          case 0:
            if (info.Selected) return Return();
            info.Selected = true;
            info.FullySelected = AllChildrenFull(node);
            return Then(frame, 1, Op::UpdateParentState, node);
          case 1:
            return Then(frame, 2, Op::SelectDependencies, node);
          case 2:
            return Then(frame, 3, Op::SelectViewChildren, node);
          default:
            return TailCall(frame, Op::UpdateViewParent, node);
        }

      case Op::UpdateParentState: {
        TSysNode* parent = ParentOf(node);
        if (!parent) return Return();
        parent->Info.FullySelected = FullAsViewParent(*parent);
        if (parent->Info.Selected) return Return();
        return TailCall(frame, Op::SelectAsParent, *parent);
      }

      case Op::SelectAsParent:
        switch (frame.step) {
          case 0:
            if (info.Selected) return Return();
            info.Selected = true;
            info.FullySelected = FullAsViewParent(node);
            return Then(frame, 1, Op::UpdateParentState, node);
          case 1:
            return Then(frame, 2, Op::SelectDependencies, node);
          default:
            return TailCall(frame, Op::UpdateViewParent, node);
        }

      case Op::SelectDependencies:
        if (frame.step == 0) {
          frame.field = &info.Depend;
          frame.step = 1;
        }
        return ForEachNamed(frame, Op::SelectNode, unselected);

      case Op::SelectViewChildren:
        if (frame.step == 0) {
          frame.made = node.ViewChildrenOf(info.Number);
          frame.step = 1;
        }
        return ForEachNamed(frame, Op::SelectNode, unselected);

      case Op::UpdateViewParent: {
        if (frame.step == 0) {
          if (info.ViewParent <= 0) return Return();
          TSysNode* view = node.FindNode(info.ViewParent);
          if (!view) return Return();
          frame.viewParent = view;
          frame.wasFull = view->Info.FullySelected;
          view->Info.FullySelected = FullAsViewParent(*view);
          if (view->Info.Selected) {
            frame.step = 3;
          } else {
            view->Info.Selected = true;
            view->Info.FullySelected = FullAsViewParent(*view);
            return Then(frame, 1, Op::UpdateParentState, *view);
          }
        }
        TSysNode& view = *frame.viewParent;
        switch (frame.step) {
          case 1:
            return Then(frame, 2, Op::SelectDependencies, view);
          case 2:
            return Then(frame, 3, Op::UpdateViewParent, view);
          case 3:
            if (view.Info.FullySelected == frame.wasFull) return Return();
            return Then(frame, 4, Op::UpdateParentState, view);
          default:
            return TailCall(frame, Op::UpdateViewParent, view);
        }
      }

      case Op::DeselectNode:
        switch (frame.step) {
          case 0:
            if (!info.Selected) return Return();
            info.Selected = false;
            info.FullySelected = false;
            ClearFullUpwards(node);
            return Then(frame, 1, Op::DeselectViewParent, node);
          case 1:
            return Then(frame, 2, Op::DeselectChildren, node);
          case 2:
            return Then(frame, 3, Op::DeselectDependents, node);
          default:
            return TailCall(frame, Op::DeselectViewChildren, node);
        }

      case Op::DeselectViewParent: {
        TSysNode* view = info.ViewParent > 0 ? node.FindNode(info.ViewParent) : nullptr;
        if (!view || !view->Info.Selected) return Return();
        if (view->Info.LibraryName.empty() && view->NoViewChildSelected(view->Info.Number))
          return TailCall(frame, Op::DeselectNode, *view);
        if (!view->Info.FullySelected) return Return();
        view->Info.FullySelected = false;
        ClearFullUpwards(*view);
        return TailCall(frame, Op::DeselectViewParent, *view);
      }

      case Op::DeselectChildren:
        while (frame.next < node.Children().size()) {
          TSysNode& child = *node.Children()[frame.next++];
          if (child.Info.Selected) return Call(Op::DeselectNode, child);
        }
        return Return();

      case Op::DeselectDependents:
        if (frame.step == 0) {
          frame.field = &info.Dependents;
          frame.step = 1;
        }
        return ForEachNamed(frame, Op::DeselectNode, selected);

      case Op::DeselectViewChildren:
        if (frame.step == 0) {
          frame.made = node.ViewChildrenOf(info.Number);
          frame.step = 1;
        }
        return ForEachNamed(frame, Op::DeselectNode, selected);
    }
  }

  std::vector<Frame> stack_;
};

template <class Change>
void ForEachInfoBelow(TCustomSysNode& root, Change change) {
  ForEachBelow(root, [&](TSysNode& node) { change(node.Info); });
}

}  // namespace

void SelectAll(TCustomSysNode& root) {
  ForEachInfoBelow(root, [](TSubsystemInfo& info) { info.Selected = info.FullySelected = true; });
}

void DeselectAll(TCustomSysNode& root) {
  ForEachInfoBelow(root, [](TSubsystemInfo& info) { info.Selected = info.FullySelected = false; });
}

void KeepSelection(TCustomSysNode& root) {
  ForEachInfoBelow(root, [](TSubsystemInfo& info) { info.PriorSelected = info.Selected; });
}

bool AllChildrenFull(const TCustomSysNode& node) {
  for (auto& child : node.Children())
    if (!child->Info.FullySelected) return false;
  return true;
}

void SelectNode(TSysNode& node) {
  TPropagation().Run(Op::SelectNode, node);
}

void DeselectNode(TSysNode& node) {
  TPropagation().Run(Op::DeselectNode, node);
}

void DeselectNotInstalled(TSysTree& tree, const std::vector<std::string>& names) {
  std::unordered_set<std::string> installed;
  for (const std::string& name : names) installed.insert(plat::AnsiUpperCase(name));
  for (TSysNode* node : tree.AllNodes()) {
    const TSubsystemInfo& info = node->Info;
    if (!info.ViewOnly && info.Selected && !installed.count(plat::AnsiUpperCase(info.ShortName)))
      DeselectNode(*node);
  }
}

void DeselectNotInstalled(TSysTree& tree, const forms::TStringList& names) {
  std::vector<std::string> list;
  for (int i = 0; i < names.Count(); ++i) list.push_back(names[i]);
  DeselectNotInstalled(tree, list);
}

namespace {

// Adds the item of a node and, under it, the items of its view children, depth first.
void AddViewItem(TSysTree& tree, forms::TTreeNodes& items, TSysNode& root) {
  struct Frame {
    TSysNode* node;
    forms::TTreeNode* item;
    std::vector<TSysNode*> viewChildren;
    size_t next;
  };
  std::unordered_set<const TSysNode*> onPath;
  std::vector<Frame> stack;
  auto show = [&](TSysNode& node, forms::TTreeNode* parentItem) {
    forms::TTreeNode* item = items.AddChildObject(parentItem, node.Info.ShortName, &node);
    node.Info.Selected = true;
    node.Info.FullySelected = true;
    std::vector<TSysNode*> viewChildren;
    // Number 0 means none: every root would count as a view child of such a node.
    if (node.Info.Number != 0) viewChildren = tree.NodesWithViewParent(node.Info.Number);
    onPath.insert(&node);
    stack.push_back({&node, item, std::move(viewChildren), 0});
  };
  if (root.Info.ViewParent == -1) return;
  show(root, nullptr);
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next == frame.viewChildren.size()) {
      onPath.erase(frame.node);
      stack.pop_back();
      continue;
    }
    TSysNode& child = *frame.viewChildren[frame.next++];
    if (child.Info.ViewParent == -1 || onPath.count(&child)) continue;
    show(child, frame.item);
  }
}

}  // namespace

bool FillView(TSysTree& tree, forms::TTreeNodes& items) {
  const std::vector<TSysNode*> nodes = tree.AllNodes();
  if (nodes.empty()) return true;
  items.BeginUpdate();
  try {
    for (TSysNode* node : nodes) {
      if (node->Info.ViewParent == 0) {
        AddViewItem(tree, items, *node);
      } else if (node->Info.ViewParent == -1) {
        node->Info.Selected = true;
        node->Info.FullySelected = true;
      }
    }
  } catch (const std::exception&) {
    items.EndUpdate();
    return false;
  }
  items.EndUpdate();
  return true;
}

}  // namespace niv
