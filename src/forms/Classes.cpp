#include "forms/Classes.h"

#include <algorithm>

#include "platform/Text.h"

namespace forms {

TComponent::~TComponent() {
  while (!components_.empty()) {
    std::unique_ptr<TComponent> last = std::move(components_.back());
    components_.pop_back();
    last.reset();
  }
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  for (const auto& c : components_) {
    if (!c->Name.empty() && plat::AsciiSameText(c->Name, name)) return c.get();
  }
  return nullptr;
}

void TComponent::DestroyComponent(TComponent* component) {
  auto it = std::find_if(components_.begin(), components_.end(),
                         [&](const auto& c) { return c.get() == component; });
  if (it == components_.end()) return;
  std::unique_ptr<TComponent> owned = std::move(*it);
  components_.erase(it);
}

}  // namespace forms
