#pragma once
// The base classes of the window framework: objects, components with an owner that owns them,
// and the event types shared by forms and controls.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/Exceptions.h"

namespace forms {

class TObject {
 public:
  virtual ~TObject() = default;
  virtual const char* ClassName() const { return "TObject"; }
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
using TMouseButton::mbLeft;
using TMouseButton::mbMiddle;
using TMouseButton::mbRight;

// Shift state bits.
using TShiftState = uint32_t;
constexpr TShiftState ssShift = 0x01;
constexpr TShiftState ssAlt = 0x02;
constexpr TShiftState ssCtrl = 0x04;
constexpr TShiftState ssLeft = 0x08;
constexpr TShiftState ssRight = 0x10;
constexpr TShiftState ssMiddle = 0x20;

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;

// Errors of the framework.
NIV_EXCEPTION_CLASS(EInvalidOperation, plat::Exception);
NIV_EXCEPTION_CLASS(EInvalidGraphic, plat::Exception);
NIV_EXCEPTION_CLASS(EInOutError, plat::Exception);
NIV_EXCEPTION_CLASS(EThread, plat::Exception);

class TControl;
class TWinControl;

// A component belongs to its owner: the owner destroys the components it owns (the last made
// first) when it is destroyed. Components are made through Make, which hands ownership to the
// owner and returns a plain pointer that stays valid for the owner's lifetime.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner) : owner_(owner) {}
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  const char* ClassName() const override { return "TComponent"; }

  std::string Name;
  intptr_t Tag = 0;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(index).get(); }
  // The owned component of that name (ASCII case ignored), searched among the direct children
  // of ownership only; nullptr when there is none.
  TComponent* FindComponent(std::string_view name) const;

  // Makes a component owned by this one. A control gets `parent` as its parent, or this
  // component when it is a windowed control and no parent is given.
  template <class T, class... Args>
  T* Make(std::string name = {}, TWinControl* parent = nullptr, Args&&... args) {
    auto owned = std::make_unique<T>(this, std::forward<Args>(args)...);
    T* component = owned.get();
    component->Name = std::move(name);
    components_.push_back(std::move(owned));
    if constexpr (std::is_base_of_v<TControl, T>) {
      component->SetParent(parent ? parent : DefaultParent());
    }
    return component;
  }
  // Takes ownership of a component made elsewhere.
  template <class T>
  T* Adopt(std::unique_ptr<T> component) {
    T* raw = component.get();
    components_.push_back(std::move(component));
    return raw;
  }
  // Destroys an owned component now (nothing when this does not own it).
  void DestroyComponent(TComponent* component);

 protected:
  virtual TWinControl* DefaultParent() { return nullptr; }

 private:
  TComponent* owner_;
  std::vector<std::unique_ptr<TComponent>> components_;
};

}  // namespace forms
