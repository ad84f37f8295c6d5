#pragma once
// Whether, and since when, a connection waits on its client (for a request head, for room to
// send, or to be let go), so that a full server may close the connection that has waited
// longest. A connection is only ever closed for room while it waits; the closing side claims it
// first, so that a connection that has just stopped waiting is left alone.

#include <atomic>
#include <cstdint>
#include <optional>

class PeerWait {
 public:
  // Waits that rank before any other: a connection that has answered and only lets go.
  static constexpr std::int64_t kFirst = 1;

  // The connection begins to wait; `since` (kFirst or larger) ranks it, smaller first.
  void Begin(std::int64_t since) { since_.store(since); }
  // The connection stops waiting; false when it was claimed for closing meanwhile.
  bool End() {
    std::int64_t since = since_.load();
    while (since != kClaimed) {
      if (since_.compare_exchange_weak(since, kNone)) return true;
    }
    return false;
  }

  // The rank of the current wait, or none when the connection does not wait.
  std::optional<std::int64_t> Since() const {
    const std::int64_t since = since_.load();
    if (since == kNone || since == kClaimed) return std::nullopt;
    return since;
  }
  // Claims the connection for closing while it still waits since `since`.
  bool Claim(std::int64_t since) { return since_.compare_exchange_strong(since, kClaimed); }
  bool Claimed() const { return since_.load() == kClaimed; }

 private:
  static constexpr std::int64_t kNone = 0;
  static constexpr std::int64_t kClaimed = -1;

  std::atomic<std::int64_t> since_{kNone};  // kNone, kClaimed or the rank of the wait
};
