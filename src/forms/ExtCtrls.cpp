#include "forms/ExtCtrls.h"

#include "forms/Application.h"
#include "platform/Text.h"

namespace forms {

TPage* TNotebook::AddPage(std::string name) {
  TComponent* owner = Owner() ? Owner() : this;
  TPage* page = owner->Make<TPage>(std::move(name), this);
  pages_.push_back(page);
  if (pageIndex_ < 0) pageIndex_ = 0;
  return page;
}

TPage* TNotebook::FindPage(std::string_view name) const {
  for (TPage* p : pages_) {
    if (plat::AsciiSameText(p->Name, name)) return p;
  }
  return nullptr;
}

TStringList TNotebook::Pages() const {
  TStringList names;
  for (TPage* p : pages_) names.Add(p->Name);
  return names;
}

void TNotebook::SetPageIndex(int index) {
  if (index < 0 || index >= PageCount() || index == pageIndex_) return;
  pageIndex_ = index;
  if (OnPageChanged) OnPageChanged(this);
}

std::string TNotebook::ActivePage() const {
  return pageIndex_ >= 0 && pageIndex_ < PageCount() ? pages_[pageIndex_]->Name : std::string();
}

void TNotebook::SetActivePage(std::string_view name) {
  for (int i = 0; i < PageCount(); ++i) {
    if (plat::AsciiSameText(pages_[i]->Name, name)) {
      SetPageIndex(i);
      return;
    }
  }
  throw EInvalidOperation("Notebook " + Name + " has no page " + std::string(name));
}

TTimer::TTimer(TComponent* owner) : TComponent(owner), app_(Application) {
  app_->AddTimer(this);
  Schedule();
}

TTimer::~TTimer() {
  app_->RemoveTimer(this);
}

void TTimer::Schedule() {
  dueAt_ = app_->Now() + interval_;
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled_) Schedule();
}

void TTimer::SetInterval(uint32_t ms) {
  interval_ = ms;
  Schedule();
}

void TTimer::Fire() {
  Schedule();
  TApplication* app = app_;
  // The handler may destroy the timer: nothing of it is used afterwards.
  if (OnTimer) {
    TNotifyEvent handler = OnTimer;
    app->Guarded(this, [&] { handler(this); });
  }
}

}  // namespace forms
