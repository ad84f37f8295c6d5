#pragma once
// A re-entrant lock: the thread that holds it may enter it again, and leaves it as often.
// Satisfies Lockable, so std::lock_guard and std::unique_lock work with it.

#include <mutex>

class TCriticalSection {
 public:
  void Enter() { mutex_.lock(); }
  void Leave() { mutex_.unlock(); }
  bool TryEnter() { return mutex_.try_lock(); }

  void lock() { Enter(); }
  void unlock() { Leave(); }
  bool try_lock() { return TryEnter(); }

 private:
  std::recursive_mutex mutex_;  // the lock itself
};
