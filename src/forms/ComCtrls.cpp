#include "forms/ComCtrls.h"

#include <algorithm>

namespace forms {

TTreeNode::TTreeNode(TTreeNodes* owner, TTreeNode* parent, std::string text, void* data)
    : Text(std::move(text)), Data(data), owner_(owner), parent_(parent) {}

TTreeView* TTreeNode::TreeView() const {
  return owner_->Owner();
}

int TTreeNode::Level() const {
  int level = 0;
  for (TTreeNode* p = parent_; p; p = p->parent_) ++level;
  return level;
}

int TTreeNode::Index() const {
  auto& siblings = owner_->SiblingsOf(parent_);
  for (size_t i = 0; i < siblings.size(); ++i) {
    if (siblings[i].get() == this) return static_cast<int>(i);
  }
  return -1;
}

TTreeNode* TTreeNode::GetFirstChild() const {
  return children_.empty() ? nullptr : children_.front().get();
}

TTreeNode* TTreeNode::GetLastChild() const {
  return children_.empty() ? nullptr : children_.back().get();
}

TTreeNode* TTreeNode::GetNextSibling() const {
  auto& siblings = owner_->SiblingsOf(parent_);
  int i = Index();
  return i + 1 < static_cast<int>(siblings.size()) ? siblings[i + 1].get() : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const {
  int i = Index();
  return i > 0 ? owner_->SiblingsOf(parent_)[i - 1].get() : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
  if (!children_.empty()) return children_.front().get();
  for (const TTreeNode* n = this; n; n = n->parent_) {
    if (TTreeNode* next = n->GetNextSibling()) return next;
  }
  return nullptr;
}

bool TTreeNode::Selected() const {
  return TreeView() && TreeView()->Selected() == this;
}

void TTreeNode::Expand(bool recurse) {
  Expanded = true;
  if (recurse) {
    for (auto& c : children_) c->Expand(true);
  }
  if (TreeView() && TreeView()->OnExpanded) TreeView()->OnExpanded(TreeView(), this);
}

void TTreeNode::Collapse(bool recurse) {
  Expanded = false;
  if (recurse) {
    for (auto& c : children_) c->Collapse(true);
  }
  if (TreeView() && TreeView()->OnCollapsed) TreeView()->OnCollapsed(TreeView(), this);
}

void TTreeNode::Delete() {
  owner_->Delete(this);
}

std::vector<std::unique_ptr<TTreeNode>>& TTreeNodes::SiblingsOf(TTreeNode* parent) {
  return parent ? parent->children_ : roots_;
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, std::string text) {
  return AddObject(sibling, std::move(text), nullptr);
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* sibling, std::string text, void* data) {
  return AddChildObject(sibling ? sibling->Parent() : nullptr, std::move(text), data);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, std::string text) {
  return AddChildObject(parent, std::move(text), nullptr);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* parent, std::string text, void* data) {
  auto node = std::make_unique<TTreeNode>(this, parent, std::move(text), data);
  TTreeNode* raw = node.get();
  SiblingsOf(parent).push_back(std::move(node));
  return raw;
}

void TTreeNodes::Forget(TTreeNode* node) {
  if (view_) view_->NodeGoing(node);
  for (auto& c : node->children_) Forget(c.get());
}

void TTreeNodes::Clear() {
  for (auto& r : roots_) Forget(r.get());
  roots_.clear();
}

void TTreeNodes::Delete(TTreeNode* node) {
  if (!node) return;
  Forget(node);
  auto& siblings = SiblingsOf(node->Parent());
  auto it = std::find_if(siblings.begin(), siblings.end(),
                         [&](const auto& n) { return n.get() == node; });
  if (it != siblings.end()) siblings.erase(it);
}

int TTreeNodes::Count() const {
  int count = 0;
  for (TTreeNode* n = GetFirstNode(); n; n = n->GetNext()) ++count;
  return count;
}

TTreeNode* TTreeNodes::Item(int index) const {
  if (index < 0) return nullptr;
  TTreeNode* n = GetFirstNode();
  while (n && index-- > 0) n = n->GetNext();
  return n;
}

TTreeNode* TTreeNodes::GetFirstNode() const {
  return roots_.empty() ? nullptr : roots_.front().get();
}

void TTreeNodes::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
}

TTreeView::TTreeView(TComponent* owner) : TWinControl(owner), Items(this) {}

TTreeView::~TTreeView() {
  selected_ = nullptr;
  Items.Clear();
}

void TTreeView::NodeGoing(TTreeNode* node) {
  if (selected_ == node) selected_ = nullptr;
}

void TTreeView::SetSelected(TTreeNode* node) {
  if (node == selected_) return;
  selected_ = node;
  if (OnChange) OnChange(this, node);
}

std::vector<TTreeNode*> TTreeView::Rows() const {
  std::vector<TTreeNode*> rows;
  std::function<void(TTreeNode*)> add = [&](TTreeNode* n) {
    rows.push_back(n);
    if (!n->Expanded) return;
    for (int i = 0; i < n->Count(); ++i) add(n->Item(i));
  };
  for (int i = 0; i < Items.RootCount(); ++i) add(Items.Root(i));
  return rows;
}

int TTreeView::RowOf(const TTreeNode* node) const {
  std::vector<TTreeNode*> rows = Rows();
  auto it = std::find(rows.begin(), rows.end(), node);
  return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
}

int TTreeView::PictureLeft(const TTreeNode* node) const {
  return (node->Level() + 1) * Indent;
}

THitTests TTreeView::GetHitTestInfoAt(int x, int y) const {
  if (y < 0) return htAbove;
  if (x < 0) return htToLeft;
  if (Width > 0 && x >= Width) return htToRight;
  if (Height > 0 && y >= Height) return htBelow;
  std::vector<TTreeNode*> rows = Rows();
  size_t row = static_cast<size_t>(y / RowHeight);
  if (row >= rows.size()) return htNowhere;
  const TTreeNode* node = rows[row];
  int left = PictureLeft(node);
  if (x < left - Indent) return htOnIndent;
  if (x < left) return node->HasChildren() && ShowButtons ? htOnButton : htOnIndent;
  if (StateImages) {
    if (x < left + StateImages->Width) return htOnItem | htOnStateIcon;
    left += StateImages->Width;
  }
  if (Images) {
    if (x < left + Images->Width) return htOnItem | htOnIcon;
    left += Images->Width;
  }
  int labelEnd = left + 4 + LabelCharWidth * static_cast<int>(node->Text.size());
  if (x < labelEnd) return htOnItem | htOnLabel;
  return htOnRight;
}

TTreeNode* TTreeView::GetNodeAt(int x, int y) const {
  if (y < 0 || x < 0) return nullptr;
  std::vector<TTreeNode*> rows = Rows();
  size_t row = static_cast<size_t>(y / RowHeight);
  return row < rows.size() ? rows[row] : nullptr;
}

bool TTreeView::IconPoint(const TTreeNode* node, int& x, int& y) const {
  int row = RowOf(node);
  if (row < 0 || !Images) return false;
  x = PictureLeft(node) + (StateImages ? StateImages->Width : 0) + Images->Width / 2;
  y = row * RowHeight + RowHeight / 2;
  return true;
}

bool TTreeView::LabelPoint(const TTreeNode* node, int& x, int& y) const {
  int row = RowOf(node);
  if (row < 0) return false;
  x = PictureLeft(node) + (StateImages ? StateImages->Width : 0) + (Images ? Images->Width : 0) + 2;
  y = row * RowHeight + RowHeight / 2;
  return true;
}

int TTreeView::ShownImageIndex(TTreeNode* node) {
  if (node->Selected() && OnGetSelectedIndex) {
    if (OnGetImageIndex) OnGetImageIndex(this, node);
    OnGetSelectedIndex(this, node);
    return node->SelectedIndex;
  }
  if (OnGetImageIndex) OnGetImageIndex(this, node);
  return node->ImageIndex;
}

void TTreeView::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  THitTests hit = GetHitTestInfoAt(x, y);
  if (hit & htOnItem) {
    if (button == mbLeft || (button == mbRight && RightClickSelect)) {
      SetSelected(GetNodeAt(x, y));
    }
  }
  TWinControl::MouseDown(button, shift, x, y);
}

void TProgressBar::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  SetPosition(position_);
}

void TProgressBar::SetPosition(int position) {
  position_ = std::clamp(position, min_, max_);
}

void TProgressBar::StepIt() {
  int next = position_ + Step;
  position_ = next > max_ ? min_ + (next - max_) : std::clamp(next, min_, max_);
  position_ = std::clamp(position_, min_, max_);
}

void TProgressBar::StepBy(int delta) {
  SetPosition(position_ + delta);
}

}  // namespace forms
