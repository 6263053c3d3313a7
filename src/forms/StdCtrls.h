#pragma once
// The standard controls: labels, buttons, edits, memos, check boxes, radio groups, group boxes,
// panels, bevels and list boxes.
#include <string>

#include "forms/Controls.h"
#include "forms/StringList.h"

namespace forms {

class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* owner) : TControl(owner) {}
  const char* ClassName() const override { return "TLabel"; }
  bool AutoSize = true;
  bool WordWrap = false;
  TAlignment Alignment = taLeftJustify;
};

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner) : TWinControl(owner) {}
  const char* ClassName() const override { return "TButton"; }
  bool Default = false;  // Enter on the form presses it
  bool Cancel = false;   // Escape on the form presses it
  int ModalResult = 0;   // a press sets the form's modal result to this when not 0
  // The press: OnClick, then the modal result of the form when the button has one.
  void Click() override;
};

class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* owner) : TWinControl(owner) {}
  const char* ClassName() const override { return "TEdit"; }
  std::string Text() const override { return text_; }
  void SetText(std::string text) override;  // OnChange when the text changes
  bool ReadOnly = false;
  int MaxLength = 0;
  int SelStart = 0;
  int SelLength = 0;
  TNotifyEvent OnChange;

 private:
  std::string text_;
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemo : public TWinControl {
 public:
  explicit TMemo(TComponent* owner);
  const char* ClassName() const override { return "TMemo"; }
  TStringList Lines;  // every change runs OnChange
  std::string Text() const override { return Lines.Text(); }
  void SetText(std::string text) override { Lines.SetText(text); }
  void Clear() { Lines.Clear(); }
  bool ReadOnly = false;
  bool WordWrap = true;
  TScrollStyle ScrollBars = ssNone;
  int SelStart = 0;
  int SelLength = 0;
  TNotifyEvent OnChange;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TComponent* owner) : TWinControl(owner) {}
  const char* ClassName() const override { return "TCheckBox"; }
  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool checked);  // OnClick when the state changes
  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState state);
  void Click() override;  // the user's press toggles the check

 private:
  TCheckBoxState state_ = cbUnchecked;
};

class TGroupBox : public TWinControl {
 public:
  explicit TGroupBox(TComponent* owner) : TWinControl(owner) {}
  const char* ClassName() const override { return "TGroupBox"; }
};

// A group of radio buttons, one per item; ItemIndex -1 when none is chosen.
class TRadioGroup : public TWinControl {
 public:
  explicit TRadioGroup(TComponent* owner);
  const char* ClassName() const override { return "TRadioGroup"; }
  TStringList Items;  // clearing the items sets ItemIndex to -1
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);  // OnClick when the choice changes; out of range: -1
  int Columns = 1;

 private:
  int itemIndex_ = -1;
};

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* owner) : TWinControl(owner) {}
  const char* ClassName() const override { return "TPanel"; }
  TBevelCut BevelOuter = bvRaised;
  TBevelCut BevelInner = bvNone;
  TAlignment Alignment = taCenter;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };

class TBevel : public TControl {
 public:
  explicit TBevel(TComponent* owner) : TControl(owner) {}
  const char* ClassName() const override { return "TBevel"; }
  TBevelShape Shape = bsBox;
  TBevelCut Style = bvLowered;
};

class TListBox : public TWinControl {
 public:
  explicit TListBox(TComponent* owner);
  const char* ClassName() const override { return "TListBox"; }
  TStringList Items;  // clearing the items sets ItemIndex to -1
  bool Sorted() const { return Items.Sorted(); }
  void SetSorted(bool sorted) { Items.SetSorted(sorted); }
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);  // out of range: -1; no event (as the framework)
  void Clear() { Items.Clear(); }
  // The user's choice of an item: it becomes the current one, then OnClick.
  void ChooseItem(int index);

 private:
  int itemIndex_ = -1;
};

}  // namespace forms
