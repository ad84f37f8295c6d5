#include "tools/service/http_channel.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

// Bytes read from a list file per send.
constexpr std::size_t kFileChunk = 64 * 1024;

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

}  // namespace

std::int64_t HttpChannel::Now() {
  // Later than PeerWait::kFirst for any clock reading.
  return Clock::now().time_since_epoch().count() + PeerWait::kFirst + 1;
}

bool HttpChannel::WaitFor(short events, Clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd wait{fd_, events, 0};
    const int ready = ::poll(&wait, 1, static_cast<int>(std::min<std::int64_t>(left.count(), 60000)));
    if (ready > 0) return true;  // ready, or shut down: the next call says which
    if (ready < 0 && errno != EINTR) return true;
  }
}

ssize_t HttpChannel::Receive(char* data, std::size_t size, Clock::time_point deadline) {
  for (;;) {
    const ssize_t got = ::recv(fd_, data, size, MSG_DONTWAIT);
    if (got >= 0) return got;
    if (errno == EINTR) continue;
    if (!WouldBlock(errno)) return kFailed;
    if (!WaitFor(POLLIN, deadline)) return kTimedOut;
  }
}

bool HttpChannel::Send(std::string_view bytes, Clock::time_point deadline) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent == 0 || !WouldBlock(errno)) return false;
    wait_.Begin(Now());
    const bool ready = WaitFor(POLLOUT, deadline);
    if (!wait_.End() || !ready) return false;
  }
  return true;
}

bool HttpChannel::SendFile(int file, std::uint64_t size, Clock::time_point deadline) {
  char buffer[kFileChunk];
  for (std::uint64_t offset = 0; offset < size;) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size - offset, sizeof buffer));
    const ssize_t got = ::pread(file, buffer, want, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    if (!Send(std::string_view(buffer, static_cast<std::size_t>(got)), deadline)) return false;
    offset += static_cast<std::uint64_t>(got);
  }
  return true;
}

void HttpChannel::Linger(Clock::time_point deadline, Clock::duration gap) {
  ::shutdown(fd_, SHUT_WR);
  wait_.Begin(PeerWait::kFirst);
  char buffer[16 * 1024];
  while (Receive(buffer, sizeof buffer, std::min(deadline, Clock::now() + gap)) > 0) {
  }
  wait_.End();
}
