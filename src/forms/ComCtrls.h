#pragma once
// The tree view with its items, and the progress bar.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/Controls.h"
#include "forms/Graphics.h"

namespace forms {

class TTreeView;
class TTreeNodes;

// One item of a tree view. Its items belong to it; Data is a reference the program keeps with
// the item (not owned).
class TTreeNode {
 public:
  TTreeNode(TTreeNodes* owner, TTreeNode* parent, std::string text, void* data);
  TTreeNode(const TTreeNode&) = delete;
  TTreeNode& operator=(const TTreeNode&) = delete;

  std::string Text;
  void* Data = nullptr;
  int ImageIndex = -1;
  int SelectedIndex = -1;
  int StateIndex = -1;
  bool Expanded = true;

  TTreeNode* Parent() const { return parent_; }
  TTreeNodes* Owner() const { return owner_; }
  TTreeView* TreeView() const;
  int Count() const { return static_cast<int>(children_.size()); }
  TTreeNode* Item(int index) const { return children_.at(index).get(); }
  bool HasChildren() const { return !children_.empty(); }
  int Level() const;  // 0 for a root item
  int Index() const;  // position among its siblings
  TTreeNode* GetFirstChild() const;
  TTreeNode* GetLastChild() const;
  TTreeNode* GetNextSibling() const;
  TTreeNode* GetPrevSibling() const;
  TTreeNode* GetNext() const;  // the next item in tree order (depth first), nullptr at the end
  bool Selected() const;
  void Expand(bool recurse);
  void Collapse(bool recurse);
  void Delete();  // removes the item and its items from the tree (this object is destroyed)

 private:
  friend class TTreeNodes;
  TTreeNodes* owner_;
  TTreeNode* parent_;
  std::vector<std::unique_ptr<TTreeNode>> children_;
};

// The items of a tree view, roots in order, each with its children.
class TTreeNodes {
 public:
  explicit TTreeNodes(TTreeView* view) : view_(view) {}
  TTreeNodes(const TTreeNodes&) = delete;
  TTreeNodes& operator=(const TTreeNodes&) = delete;

  TTreeView* Owner() const { return view_; }
  // A new last sibling of `sibling` (a new last root when sibling is nullptr).
  TTreeNode* Add(TTreeNode* sibling, std::string text);
  TTreeNode* AddObject(TTreeNode* sibling, std::string text, void* data);
  // A new last child of `parent` (a new last root when parent is nullptr).
  TTreeNode* AddChild(TTreeNode* parent, std::string text);
  TTreeNode* AddChildObject(TTreeNode* parent, std::string text, void* data);
  // Removes every item. The view's selection goes with them (no OnChange).
  void Clear();
  void Delete(TTreeNode* node);
  int Count() const;                 // all items at every level
  TTreeNode* Item(int index) const;  // in tree order; nullptr when out of range
  TTreeNode* GetFirstNode() const;   // the first root, nullptr when empty
  int RootCount() const { return static_cast<int>(roots_.size()); }
  TTreeNode* Root(int index) const { return roots_.at(index).get(); }

  // Updates in between make no repaint; they nest.
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  bool Updating() const { return updateCount_ > 0; }

 private:
  friend class TTreeNode;
  std::vector<std::unique_ptr<TTreeNode>>& SiblingsOf(TTreeNode* parent);
  void Forget(TTreeNode* node);  // tells the view an item is about to go
  TTreeView* view_;
  std::vector<std::unique_ptr<TTreeNode>> roots_;
  int updateCount_ = 0;
};

// Hit-test results of a point in a tree view (bits).
using THitTests = uint32_t;
constexpr THitTests htAbove = 0x0001;
constexpr THitTests htBelow = 0x0002;
constexpr THitTests htNowhere = 0x0004;
constexpr THitTests htOnItem = 0x0008;
constexpr THitTests htOnButton = 0x0010;
constexpr THitTests htOnIcon = 0x0020;
constexpr THitTests htOnIndent = 0x0040;
constexpr THitTests htOnLabel = 0x0080;
constexpr THitTests htOnRight = 0x0100;
constexpr THitTests htOnStateIcon = 0x0200;
constexpr THitTests htToLeft = 0x0400;
constexpr THitTests htToRight = 0x0800;

using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;

// The layout the hit test uses: every shown item is one row of RowHeight pixels from the top
// (items under a collapsed item are not shown); an item of level L has L+1 indents of Indent
// pixels (the first holds the expand button), then its state picture when StateImages is set,
// then its picture when Images is set (each Images->Width wide), then its text, about
// LabelCharWidth pixels a character.
class TTreeView : public TWinControl {
 public:
  explicit TTreeView(TComponent* owner);
  ~TTreeView() override;
  const char* ClassName() const override { return "TTreeView"; }

  TTreeNodes Items;
  TImageList* Images = nullptr;
  TImageList* StateImages = nullptr;
  int Indent = 19;
  bool ReadOnly = false;
  bool RightClickSelect = false;
  bool HideSelection = true;
  bool ShowButtons = true;
  bool ShowLines = true;
  bool ShowRoot = true;
  static constexpr int RowHeight = 16;
  static constexpr int LabelCharWidth = 6;

  TTreeNode* Selected() const { return selected_; }
  void SetSelected(TTreeNode* node);  // OnChange when it changes

  THitTests GetHitTestInfoAt(int x, int y) const;
  TTreeNode* GetNodeAt(int x, int y) const;
  // Points inside an item's picture and text, for agents and tests; false when the item is not
  // shown (under a collapsed item) or has no picture.
  bool IconPoint(const TTreeNode* node, int& x, int& y) const;
  bool LabelPoint(const TTreeNode* node, int& x, int& y) const;

  // The picture the view shows for an item now: runs OnGetImageIndex (or OnGetSelectedIndex
  // for the selected item) as a repaint does, then gives the item's index.
  int ShownImageIndex(TTreeNode* node);

  // A mouse press: a press on an item selects it (the left button, or the right one with
  // RightClickSelect), then OnMouseDown runs with the point.
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

  TTVChangedEvent OnChange;
  TTVExpandedEvent OnGetImageIndex;
  TTVExpandedEvent OnGetSelectedIndex;
  TTVExpandedEvent OnExpanded;
  TTVExpandedEvent OnCollapsed;

 private:
  friend class TTreeNodes;
  void NodeGoing(TTreeNode* node);
  // The shown items in row order.
  std::vector<TTreeNode*> Rows() const;
  int RowOf(const TTreeNode* node) const;
  int PictureLeft(const TTreeNode* node) const;
  TTreeNode* selected_ = nullptr;
};

class TProgressBar : public TWinControl {
 public:
  explicit TProgressBar(TComponent* owner) : TWinControl(owner) {}
  const char* ClassName() const override { return "TProgressBar"; }
  int Min() const { return min_; }
  int Max() const { return max_; }
  void SetRange(int min, int max);
  int Position() const { return position_; }
  void SetPosition(int position);  // kept within Min..Max
  int Step = 10;
  bool Smooth = false;
  void StepIt();  // Position + Step, wrapping to Min past Max as the common control does
  void StepBy(int delta);

 private:
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

}  // namespace forms
