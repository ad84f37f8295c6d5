#include "platform/events.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// All events share one lock and one condition, which is what lets a thread wait for several.
std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}
std::condition_variable& Changed() {
  static std::condition_variable changed;
  return changed;
}

}  // namespace

void TEvent::Set() {
  {
    std::lock_guard guard(Lock());
    set_ = true;
  }
  Changed().notify_all();
}

void TEvent::Reset() {
  std::lock_guard guard(Lock());
  set_ = false;
}

bool TEvent::IsSet() const {
  std::lock_guard guard(Lock());
  return set_;
}

bool TEvent::Wait(int timeout_ms) {
  TEvent* self = this;
  return WaitForAnyEvent(std::span<TEvent* const>(&self, 1), timeout_ms) == 0;
}

int WaitForAnyEvent(std::span<TEvent* const> events, int timeout_ms) {
  std::unique_lock guard(Lock());
  int found = -1;
  auto any_set = [&] {
    for (size_t i = 0; i < events.size(); ++i) {
      if (events[i]->set_) {
        events[i]->set_ = false;
        found = static_cast<int>(i);
        return true;
      }
    }
    return false;
  };
  if (timeout_ms < 0) {
    Changed().wait(guard, any_set);
  } else {
    Changed().wait_for(guard, std::chrono::milliseconds(timeout_ms), any_set);
  }
  return found;
}
