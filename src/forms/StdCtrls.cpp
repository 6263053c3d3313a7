#include "forms/StdCtrls.h"

#include "forms/Forms.h"

namespace forms {

void TButton::Click() {
  TControl::Click();
  if (ModalResult != mrNone) {
    if (TForm* form = ParentForm()) form->SetModalResult(ModalResult);
  }
}

void TEdit::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  if (OnChange) OnChange(this);
}

TMemo::TMemo(TComponent* owner) : TWinControl(owner) {
  Lines.OnChange = [this](TObject*) {
    if (OnChange) OnChange(this);
  };
}

void TCheckBox::SetChecked(bool checked) {
  SetState(checked ? cbChecked : cbUnchecked);
}

void TCheckBox::SetState(TCheckBoxState state) {
  if (state == state_) return;
  state_ = state;
  if (OnClick) OnClick(this);
}

void TCheckBox::Click() {
  SetChecked(!Checked());
}

TRadioGroup::TRadioGroup(TComponent* owner) : TWinControl(owner) {
  Items.OnChange = [this](TObject*) {
    if (itemIndex_ >= Items.Count()) itemIndex_ = -1;
    if (Items.Count() == 0) itemIndex_ = -1;
  };
}

void TRadioGroup::SetItemIndex(int index) {
  if (index < -1 || index >= Items.Count()) index = -1;
  if (index == itemIndex_) return;
  itemIndex_ = index;
  if (OnClick) OnClick(this);
}

TListBox::TListBox(TComponent* owner) : TWinControl(owner) {
  Items.OnChange = [this](TObject*) {
    if (itemIndex_ >= Items.Count()) itemIndex_ = -1;
  };
}

void TListBox::SetItemIndex(int index) {
  if (index < -1 || index >= Items.Count()) index = -1;
  itemIndex_ = index;
}

void TListBox::ChooseItem(int index) {
  SetItemIndex(index);
  if (OnClick) OnClick(this);
}

}  // namespace forms
