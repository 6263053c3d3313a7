#include "forms/Controls.h"

#include <algorithm>

#include "forms/ExtCtrls.h"
#include "forms/Forms.h"

namespace forms {

TControl::~TControl() {
  SetParent(nullptr);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent_) {
    auto& list = parent_->controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (TForm* form = parent_->ParentForm(); form && form->ActiveControl == this) {
      form->ActiveControl = nullptr;
    }
  }
  parent_ = parent;
  if (parent_) parent_->controls_.push_back(this);
}

TForm* TControl::ParentForm() const {
  const TControl* c = this;
  while (c) {
    if (auto* form = dynamic_cast<const TForm*>(c)) return const_cast<TForm*>(form);
    c = c->parent_;
  }
  return nullptr;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  Left = left;
  Top = top;
  Width = width;
  Height = height;
}

bool TControl::Showing() const {
  const TControl* c = this;
  while (c) {
    if (!c->visible_) return false;
    if (dynamic_cast<const TForm*>(c)) return true;
    const TWinControl* parent = c->parent_;
    if (auto* page = dynamic_cast<const TPage*>(c)) {
      auto* book = dynamic_cast<const TNotebook*>(parent);
      if (book && book->ActivePage() != page->Name) return false;
    }
    c = parent;
  }
  return false;  // not on a form
}

bool TControl::TakesInput() const {
  if (!Showing()) return false;
  for (const TControl* c = this; c; c = c->parent_) {
    if (!c->enabled_) return false;
  }
  return true;
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

TWinControl::~TWinControl() {
  // Children that outlive their parent (owned elsewhere) lose it.
  auto children = controls_;
  for (TControl* child : children) child->SetParent(nullptr);
}

void TWinControl::SetFocus() {
  if (!CanFocus()) {
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  }
  TForm* form = ParentForm();
  if (!form || form->ActiveControl == this) return;
  TWinControl* previous = form->ActiveControl;
  form->ActiveControl = this;
  if (previous && previous->OnExit) previous->OnExit(previous);
  // An exit handler may have moved the focus elsewhere (back to itself, say).
  if (form->ActiveControl != this) return;
  if (OnEnter) OnEnter(this);
}

bool TWinControl::Focused() const {
  TForm* form = ParentForm();
  return form && form->ActiveControl == this;
}

}  // namespace forms
