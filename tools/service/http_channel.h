#pragma once
// The socket of one connection, read and written with deadlines. Every wait ends at its
// deadline or as soon as the socket is shut down (the server stops, or needs the room); while
// the channel waits for room to send, its PeerWait says so.

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tools/service/peer_wait.h"

class HttpChannel {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr ssize_t kFailed = -1;    // the socket failed or was shut down
  static constexpr ssize_t kTimedOut = -2;  // the deadline passed

  // `fd` is a connected non-blocking socket; both must outlive the channel.
  HttpChannel(int fd, PeerWait& wait) : fd_(fd), wait_(wait) {}

  // Receives up to `size` bytes: their count, 0 once the client has closed its side,
  // kTimedOut or kFailed.
  ssize_t Receive(char* data, std::size_t size, Clock::time_point deadline);
  // Sends all of `bytes`; false when the deadline passes or the socket fails.
  bool Send(std::string_view bytes, Clock::time_point deadline);
  // Sends `size` bytes of the open file `file` from its start.
  bool SendFile(int file, std::uint64_t size, Clock::time_point deadline);
  // Ends sending, then takes and drops what the client still sends until it closes, nothing
  // arrives for `gap` or the deadline passes, so that a client still sending a body it was
  // refused reads the answer instead of a reset connection.
  void Linger(Clock::time_point deadline, Clock::duration gap);

  // The rank of a wait that begins now (for PeerWait).
  static std::int64_t Now();

 private:
  // Waits until the socket is ready for `events` (poll flags): false at the deadline.
  bool WaitFor(short events, Clock::time_point deadline);

  int fd_;          // the socket
  PeerWait& wait_;  // marks the waits for room to send
};
