#pragma once
// Forms: top-level windows with their controls, shown normally or modally.
#include <functional>
#include <string>

#include "forms/Controls.h"

namespace forms {

// Modal results.
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;
constexpr int mrAbort = 3;
constexpr int mrRetry = 4;
constexpr int mrIgnore = 5;
constexpr int mrYes = 6;
constexpr int mrNo = 7;
constexpr int mrAll = 8;

enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
// Border icons (bits).
using TBorderIcons = uint32_t;
constexpr TBorderIcons biSystemMenu = 0x1;
constexpr TBorderIcons biMinimize = 0x2;
constexpr TBorderIcons biMaximize = 0x4;
constexpr TBorderIcons biHelp = 0x8;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// A form. Its owner is the application (forms made by Application->CreateForm) or nobody (a
// std::unique_ptr of the program holds it). OnCreate runs once, from DoCreate (CreateForm and
// MakeForm call it); OnDestroy runs once, from DoDestroy, which the destructor calls when it has
// not run yet. A subclass whose OnDestroy handler uses its own members calls DoDestroy first
// thing in its destructor.
class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;
  const char* ClassName() const override { return "TForm"; }

  void SetVisible(bool visible) override;  // OnShow / OnHide; a shown form comes on top
  void Close();  // OnCloseQuery, OnClose, then the action (caHide by default; caFree only for
                 // forms the application owns); closing the main form ends the application
  // Shows the form and runs a nested message loop until ModalResult is set (by a button with a
  // modal result, by Close, which gives mrCancel, or by the program); then hides it.
  int ShowModal();
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }
  bool Modal() const { return modalLevel_ > 0; }
  void Release();  // destroys an application-owned form once the loop has control again

  void DoCreate();
  void DoDestroy();

  TFormBorderStyle BorderStyle = bsSizeable;
  TBorderIcons BorderIcons = biSystemMenu | biMinimize | biMaximize;
  TFormStyle FormStyle = fsNormal;
  TPosition Position = poDesigned;
  TWindowState WindowState = wsNormal;
  int ClientWidth = 0;
  int ClientHeight = 0;
  TWinControl* ActiveControl = nullptr;  // the control with the focus
  bool KeyPreview = false;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  // Keys of the form: Enter presses the default button, Escape the cancel button (when they
  // take input); false when there is none.
  bool PressDefault();
  bool PressCancel();

 private:
  int modalResult_ = mrNone;
  int modalLevel_ = 0;
  bool created_ = false;
  bool destroyed_ = false;
};

// A form the program owns: made, then its OnCreate run.
template <class T, class... Args>
std::unique_ptr<T> MakeForm(Args&&... args) {
  auto form = std::make_unique<T>(nullptr, std::forward<Args>(args)...);
  form->DoCreate();
  return form;
}

}  // namespace forms
