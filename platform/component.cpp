#include "platform/component.h"

#include <algorithm>

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ != nullptr) owner_->owned_.push_back(this);
}

TComponent::~TComponent() {
  while (!owned_.empty()) {
    TComponent* last = owned_.back();
    owned_.pop_back();
    last->owner_ = nullptr;
    delete last;
  }
  if (owner_ != nullptr) std::erase(owner_->owned_, this);
}
