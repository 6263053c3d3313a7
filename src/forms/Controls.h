#pragma once
// Controls: a control has an owner (which destroys it), a parent (the windowed control that
// shows it), a position, a caption or text, and visibility and enabled flags. Nothing is drawn:
// the user agent reads the controls and acts on them through the same calls a program uses.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "forms/Classes.h"

namespace forms {

class TForm;

using TColor = int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBtnFace = -16777201;  // the system colour of buttons and forms
constexpr TColor clWindow = -16777211;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

struct TFont {
  std::string Name = "MS Sans Serif";
  int Size = 8;
  int Height = -11;
  TColor Color = clBlack;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  int Charset = 1;  // DEFAULT_CHARSET; RUSSIAN_CHARSET is 204
};
constexpr int RUSSIAN_CHARSET = 204;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner) : TComponent(owner) {}
  ~TControl() override;
  const char* ClassName() const override { return "TControl"; }

  TWinControl* Parent() const { return parent_; }
  void SetParent(TWinControl* parent);
  TForm* ParentForm() const;  // the form that shows this control (itself for a form)

  const std::string& Caption() const { return caption_; }
  virtual void SetCaption(std::string caption) { caption_ = std::move(caption); }
  // The text of the control: the caption for most controls, the edit text for edits and memos.
  virtual std::string Text() const { return caption_; }
  virtual void SetText(std::string text) { SetCaption(std::move(text)); }

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible) { visible_ = visible; }
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled) { enabled_ = enabled; }
  // Visible itself and every parent up to a visible form, and the page of a notebook active.
  bool Showing() const;
  // Showing and enabled with every parent.
  bool TakesInput() const;

  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  void SetBounds(int left, int top, int width, int height);
  TAlign Align = alNone;
  TFont Font;
  TColor Color = clBtnFace;
  bool ParentColor = false;
  bool Transparent = false;
  std::string Hint;
  bool ShowHint = false;
  int Cursor = 0;

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;

  // Input as the user gives it: a click runs OnClick; a mouse press runs OnMouseDown.
  virtual void Click();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);

 private:
  TWinControl* parent_ = nullptr;
  std::string caption_;
  bool visible_ = true;
  bool enabled_ = true;
};

// A control that holds other controls and can take the focus.
class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner) : TControl(owner) {}
  ~TWinControl() override;
  const char* ClassName() const override { return "TWinControl"; }

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const { return controls_.at(index); }
  const std::vector<TControl*>& ControlList() const { return controls_; }

  bool TabStop = true;
  int TabOrder = 0;
  // Moves the focus here: the control that had it gets OnExit, this one OnEnter. Raises
  // EInvalidOperation "Cannot focus a disabled or invisible window" when it cannot take input.
  virtual void SetFocus();
  bool Focused() const;
  virtual bool CanFocus() const { return TakesInput(); }

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

 protected:
  TWinControl* DefaultParent() override { return this; }

 private:
  friend class TControl;
  std::vector<TControl*> controls_;
};

}  // namespace forms
