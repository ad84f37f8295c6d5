#include "tools/service/http_channel.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace {

// Bytes read from a list file per send.
constexpr std::size_t kFileChunk = 64 * 1024;

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

// A TLS session's records travel by these rather than by OpenSSL's own socket calls, so that
// writing to a connection the client has dropped fails instead of raising SIGPIPE.
int SocketOf(BIO* bio) { return static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio))); }

int SocketWrite(BIO* bio, const char* data, int size) {
  BIO_clear_retry_flags(bio);
  const ssize_t sent = ::send(SocketOf(bio), data, static_cast<std::size_t>(size), MSG_DONTWAIT | MSG_NOSIGNAL);
  if (sent < 0 && (WouldBlock(errno) || errno == EINTR)) BIO_set_retry_write(bio);
  return static_cast<int>(sent);
}

int SocketRead(BIO* bio, char* data, int size) {
  BIO_clear_retry_flags(bio);
  const ssize_t got = ::recv(SocketOf(bio), data, static_cast<std::size_t>(size), MSG_DONTWAIT);
  if (got < 0 && (WouldBlock(errno) || errno == EINTR)) BIO_set_retry_read(bio);
  return static_cast<int>(got);
}

long SocketControl(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }

// The socket BIO's methods, made once for every session.
BIO_METHOD* SocketMethod() {
  static BIO_METHOD* const method = [] {
    BIO_METHOD* made = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "service socket");
    if (made != nullptr && (BIO_meth_set_write(made, SocketWrite) != 1 || BIO_meth_set_read(made, SocketRead) != 1 ||
                            BIO_meth_set_ctrl(made, SocketControl) != 1)) {
      BIO_meth_free(made);
      made = nullptr;
    }
    return made;
  }();
  return method;
}

}  // namespace

HttpChannel::HttpChannel(int fd, PeerWait& wait, ssl_ctx_st* tls) : fd_(fd), wait_(wait), secure_(tls != nullptr) {
  if (!secure_ || SocketMethod() == nullptr) return;
  ssl_ = SSL_new(tls);
  BIO* bio = ssl_ != nullptr ? BIO_new(SocketMethod()) : nullptr;
  if (bio == nullptr) {
    SSL_free(ssl_);
    ssl_ = nullptr;
    ERR_clear_error();
    return;
  }
  BIO_set_data(bio, reinterpret_cast<void*>(static_cast<std::intptr_t>(fd_)));
  BIO_set_init(bio, 1);
  SSL_set_bio(ssl_, bio, bio);  // the session owns it
  SSL_set_accept_state(ssl_);
}

HttpChannel::~HttpChannel() {
  SSL_free(ssl_);
  ERR_clear_error();
}

bool HttpChannel::WaitOnPeer(short events, Clock::time_point deadline) {
  wait_.Begin(Now());
  const bool ready = WaitFor(events, deadline);
  return wait_.End() && ready;
}

bool HttpChannel::WaitForSession(int result, Clock::time_point deadline, bool sending) {
  switch (SSL_get_error(ssl_, result)) {
    case SSL_ERROR_WANT_READ:
      return WaitFor(POLLIN, deadline);
    case SSL_ERROR_WANT_WRITE:
      return sending ? WaitOnPeer(POLLOUT, deadline) : WaitFor(POLLOUT, deadline);
    default:
      ERR_clear_error();
      return false;
  }
}

bool HttpChannel::Handshake(Clock::time_point deadline) {
  if (!secure_) return true;
  if (ssl_ == nullptr) return false;
  for (;;) {
    ERR_clear_error();
    const int result = SSL_do_handshake(ssl_);
    if (result == 1) return true;
    if (!WaitForSession(result, deadline, false)) return false;
  }
}

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
  if (!secure_) return ReceiveRaw(data, size, deadline);
  if (ssl_ == nullptr || !SSL_is_init_finished(ssl_)) return kFailed;
  for (;;) {
    ERR_clear_error();
    const int got = SSL_read(ssl_, data, static_cast<int>(std::min<std::size_t>(size, INT_MAX)));
    if (got > 0) return got;
    if (SSL_get_error(ssl_, got) == SSL_ERROR_ZERO_RETURN) return 0;
    if (!WaitForSession(got, deadline, false)) return Clock::now() >= deadline ? kTimedOut : kFailed;
  }
}

ssize_t HttpChannel::ReceiveRaw(char* data, std::size_t size, Clock::time_point deadline) {
  for (;;) {
    const ssize_t got = ::recv(fd_, data, size, MSG_DONTWAIT);
    if (got >= 0) return got;
    if (errno == EINTR) continue;
    if (!WouldBlock(errno)) return kFailed;
    if (!WaitFor(POLLIN, deadline)) return kTimedOut;
  }
}

bool HttpChannel::Send(std::string_view bytes, Clock::time_point deadline) {
  if (secure_) {
    if (ssl_ == nullptr || !SSL_is_init_finished(ssl_)) return false;
    while (!bytes.empty()) {
      ERR_clear_error();
      const int sent = SSL_write(ssl_, bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX)));
      if (sent > 0) {
        bytes.remove_prefix(static_cast<std::size_t>(sent));
        continue;
      }
      if (!WaitForSession(sent, deadline, true)) return false;
    }
    return true;
  }
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent == 0 || !WouldBlock(errno)) return false;
    if (!WaitOnPeer(POLLOUT, deadline)) return false;
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
  // A TLS session is ended with one try at its closing alert, never waited on; what arrives
  // after it is dropped undecrypted.
  if (ssl_ != nullptr && SSL_is_init_finished(ssl_)) {
    ERR_clear_error();
    SSL_shutdown(ssl_);
    ERR_clear_error();
  }
  ::shutdown(fd_, SHUT_WR);
  wait_.Begin(PeerWait::kFirst);
  char buffer[16 * 1024];
  while (ReceiveRaw(buffer, sizeof buffer, std::min(deadline, Clock::now() + gap)) > 0) {
  }
  wait_.End();
}
