#pragma once
// Components with an owner: an owner frees the components it owns when it is destroyed, in the
// reverse order of their creation. A component freed earlier leaves its owner's list.

#include <vector>

class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  virtual ~TComponent();

  TComponent* Owner() const { return owner_; }

 private:
  TComponent* owner_;                 // frees this component; may be null
  std::vector<TComponent*> owned_;    // components this one frees, oldest first
};
