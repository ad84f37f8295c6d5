#pragma once
// Auto-reset events: Set lets exactly one wait through and the event is then clear again.
// A thread may wait for any of several events with a time-out.

#include <cstddef>
#include <span>
#include <vector>

constexpr int INFINITE = -1;  // a time-out that never ends

class TEvent {
 public:
  explicit TEvent(bool initially_set = false) : set_(initially_set) {}
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;

  void Set();
  void Reset();
  // Waits until the event is set, then clears it; false when `timeout_ms` passed first.
  bool Wait(int timeout_ms = INFINITE);
  // True while set; does not clear.
  bool IsSet() const;

 private:
  friend int WaitForAnyEvent(std::span<TEvent* const>, int);
  bool set_;  // signalled and not yet consumed by a wait; guarded by the shared lock
  std::vector<void*> waiters_;  // the waits in progress on this event; guarded likewise
};

// Waits until one of `events` is set, clears that one and returns its index (the lowest index
// when several are set); -1 when `timeout_ms` passed first.
int WaitForAnyEvent(std::span<TEvent* const> events, int timeout_ms = INFINITE);
