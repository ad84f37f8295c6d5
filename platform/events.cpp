#include "platform/events.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// All events share one lock, which is what lets a thread wait for several; each wait has a
// condition of its own, so that a Set wakes only the threads waiting for that event.
std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}
// One wait in progress: woken by a Set of any of the events it waits for, and only by those.
struct Waiter {
  std::condition_variable changed;
};

}  // namespace

void TEvent::Set() {
  std::lock_guard guard(Lock());
  set_ = true;
  for (void* waiter : waiters_) static_cast<Waiter*>(waiter)->changed.notify_one();
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
  if (any_set()) return found;
  Waiter waiter;
  for (TEvent* event : events) event->waiters_.push_back(&waiter);
  if (timeout_ms < 0) {
    waiter.changed.wait(guard, any_set);
  } else {
    waiter.changed.wait_for(guard, std::chrono::milliseconds(timeout_ms), any_set);
  }
  for (TEvent* event : events) std::erase(event->waiters_, &waiter);
  return found;
}
