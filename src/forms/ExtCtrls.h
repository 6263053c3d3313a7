#pragma once
// Images, notebooks with named pages, and timers.
#include <cstdint>
#include <string>
#include <vector>

#include "forms/Controls.h"
#include "forms/Graphics.h"
#include "forms/StringList.h"

namespace forms {

class TImage : public TControl {
 public:
  explicit TImage(TComponent* owner) : TControl(owner) {}
  const char* ClassName() const override { return "TImage"; }
  TBitmap Picture;
  bool Stretch = false;
  bool Center = false;
  bool AutoSize = false;
};

// One page of a notebook; controls on the page have it as their parent.
class TPage : public TWinControl {
 public:
  explicit TPage(TComponent* owner) : TWinControl(owner) {}
  const char* ClassName() const override { return "TPage"; }
};

// Pages by name; exactly one page (the active one) is shown.
class TNotebook : public TWinControl {
 public:
  explicit TNotebook(TComponent* owner) : TWinControl(owner) {}
  const char* ClassName() const override { return "TNotebook"; }
  // A new page, last; the first page made becomes the active one.
  TPage* AddPage(std::string name);
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TPage* Page(int index) const { return pages_.at(index); }
  TPage* FindPage(std::string_view name) const;  // ASCII case ignored; nullptr when absent
  TStringList Pages() const;                     // the names in order

  int PageIndex() const { return pageIndex_; }
  void SetPageIndex(int index);  // OnPageChanged when it changes; out of range: ignored
  std::string ActivePage() const;
  // Raises EInvalidOperation for a name that no page has.
  void SetActivePage(std::string_view name);
  TNotifyEvent OnPageChanged;

 private:
  std::vector<TPage*> pages_;
  int pageIndex_ = -1;
};

// A timer of the application's message loop: every Interval milliseconds while Enabled, the
// loop runs OnTimer in the main thread. The clock is the application's: real time with a person
// at the console, a virtual clock under a scripted agent.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;
  const char* ClassName() const override { return "TTimer"; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);  // enabling starts a new interval
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t ms);  // 0 stops the timer as in the framework
  TNotifyEvent OnTimer;

  // For the application's loop: when it is due next (application clock, ms).
  uint64_t DueAt() const { return dueAt_; }
  void Fire();  // runs OnTimer and schedules the next tick

 private:
  void Schedule();
  class TApplication* app_;
  bool enabled_ = true;
  uint32_t interval_ = 1000;
  uint64_t dueAt_ = 0;
};

}  // namespace forms
