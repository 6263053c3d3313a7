#include "forms/Forms.h"

#include "forms/Application.h"
#include "forms/StdCtrls.h"

namespace forms {

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  SetVisible(false);
  if (Application) Application->AddForm(this);
}

TForm::~TForm() {
  DoDestroy();
  if (Application) Application->RemoveForm(this);
}

void TForm::DoCreate() {
  if (created_) return;
  created_ = true;
  if (OnCreate) OnCreate(this);
}

void TForm::DoDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (OnDestroy) OnDestroy(this);
}

void TForm::SetVisible(bool visible) {
  bool was = Visible();
  TWinControl::SetVisible(visible);
  if (visible && Application) Application->FormShown(this);
  if (visible == was) return;
  if (visible && OnShow) OnShow(this);
  if (!visible && OnHide) OnHide(this);
}

void TForm::Close() {
  if (Modal()) {
    // The modal loop runs the close handlers (and may refuse) once it sees the result.
    modalResult_ = mrCancel;
    return;
  }
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  if (!canClose) return;
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (Application && Application->MainForm == this) {
    Hide();
    Application->Terminate();
    return;
  }
  Hide();
  if (action == caFree) Release();
}

int TForm::ShowModal() {
  if (Modal()) throw EInvalidOperation("Cannot make a visible window modal");
  modalResult_ = mrNone;
  Show();
  ++modalLevel_;
  struct Leave {
    TForm* form;
    ~Leave() { --form->modalLevel_; }
  } leave{this};
  Application->ModalLoop(this, [this] {
    if (Application->Terminated()) {
      modalResult_ = mrCancel;
      return true;
    }
    if (!Visible() && modalResult_ == mrNone) modalResult_ = mrCancel;
    if (modalResult_ == mrNone) return false;
    // The result closes the form unless its close handlers refuse.
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    TCloseAction action = caHide;
    if (canClose && OnClose) OnClose(this, action);
    if (!canClose || action == caNone) {
      modalResult_ = mrNone;
      return false;
    }
    return true;
  });
  Hide();
  return modalResult_;
}

void TForm::Release() {
  Hide();
  if (Application && Owner() == Application) {
    TForm* self = this;
    Application->Post([self] { Application->DestroyComponent(self); });
  }
}

namespace {
TButton* FindButton(TWinControl& parent, bool wantDefault) {
  for (TControl* c : parent.ControlList()) {
    if (auto* b = dynamic_cast<TButton*>(c)) {
      if ((wantDefault ? b->Default : b->Cancel) && b->TakesInput()) return b;
    }
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
      if (TButton* b = FindButton(*w, wantDefault)) return b;
    }
  }
  return nullptr;
}
}  // namespace

bool TForm::PressDefault() {
  TButton* b = FindButton(*this, true);
  if (!b) return false;
  b->Click();
  return true;
}

bool TForm::PressCancel() {
  TButton* b = FindButton(*this, false);
  if (!b) return false;
  b->Click();
  return true;
}

}  // namespace forms
