#include "platform/socket_stream.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <strings.h>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/internet_client.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Address {
  sockaddr_storage storage{};  // the address with its port
  socklen_t length = 0;        // bytes of `storage` in use
};

// A name lookup that runs on a thread of its own, so that waiting for it can time out and be
// cancelled; the thread finishes the lookup alone when nobody waits any more.
struct Lookup {
  TCancelSignal done;             // raised when `addresses` and `ok` are final
  std::mutex lock;                // guards the results
  std::vector<Address> addresses;  // the results in the resolver's order
  bool ok = false;                // the name was resolved
};

bool Numeric(const std::string& host, std::uint16_t port, Address* out) {
  std::string text = host;
  if (text.size() > 2 && text.front() == '[' && text.back() == ']') text = text.substr(1, text.size() - 2);
  if (text.size() == 9 && strncasecmp(text.c_str(), "localhost", 9) == 0) text = "127.0.0.1";
  auto* v4 = reinterpret_cast<sockaddr_in*>(&out->storage);
  if (inet_pton(AF_INET, text.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(port);
    out->length = sizeof(sockaddr_in);
    return true;
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&out->storage);
  if (inet_pton(AF_INET6, text.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(port);
    out->length = sizeof(sockaddr_in6);
    return true;
  }
  return false;
}

// Waits for any of the descriptors to become readable; the index of the first one, or -1.
int PollReadable(std::initializer_list<int> fds, int timeout_ms) {
  std::vector<pollfd> polls;
  for (int fd : fds) polls.push_back({fd, POLLIN, 0});
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int wait = -1;
    if (timeout_ms >= 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }
    const int n = poll(polls.data(), polls.size(), wait);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    for (size_t i = 0; i < polls.size(); ++i) {
      if (polls[i].revents != 0) return static_cast<int>(i);
    }
  }
}

DWORD Resolve(const std::string& host, std::uint16_t port, const TCancelSignal& cancel,
              int timeout_ms, std::vector<Address>* out) {
  Address numeric;
  if (Numeric(host, port, &numeric)) {
    out->push_back(numeric);
    return 0;
  }
  if (host.empty()) return ERROR_INTERNET_NAME_NOT_RESOLVED;
  auto lookup = std::make_shared<Lookup>();
  std::thread([lookup, host, port] {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    const bool ok = getaddrinfo(host.c_str(), service.c_str(), &hints, &list) == 0;
    {
      std::lock_guard guard(lookup->lock);
      for (addrinfo* a = list; ok && a != nullptr; a = a->ai_next) {
        Address address;
        std::memcpy(&address.storage, a->ai_addr, a->ai_addrlen);
        address.length = a->ai_addrlen;
        lookup->addresses.push_back(address);
      }
      lookup->ok = ok && !lookup->addresses.empty();
    }
    if (list != nullptr) freeaddrinfo(list);
    lookup->done.Raise();
  }).detach();
  const int which = PollReadable({lookup->done.Descriptor(), cancel.Descriptor()}, timeout_ms);
  if (cancel.IsRaised()) return ERROR_INTERNET_OPERATION_CANCELLED;
  if (which != 0) return ERROR_INTERNET_TIMEOUT;
  std::lock_guard guard(lookup->lock);
  if (!lookup->ok) return ERROR_INTERNET_NAME_NOT_RESOLVED;
  *out = lookup->addresses;
  return 0;
}

}  // namespace

TSocketStream::~TSocketStream() {
  if (fd_ >= 0) close(fd_);
}

DWORD TSocketStream::WaitFor(short events, int timeout_ms) {
  pollfd polls[2] = {{fd_, events, 0}, {cancel_.Descriptor(), POLLIN, 0}};
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (cancel_.IsRaised()) return ERROR_INTERNET_OPERATION_CANCELLED;
    int wait = -1;
    if (timeout_ms >= 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }
    const int n = poll(polls, 2, wait);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ERROR_INTERNET_CONNECTION_ABORTED;
    if (cancel_.IsRaised()) return ERROR_INTERNET_OPERATION_CANCELLED;
    if (n == 0) return ERROR_INTERNET_TIMEOUT;
    if (polls[0].revents != 0) return 0;
  }
}

DWORD TSocketStream::Connect(const std::string& host, std::uint16_t port, int timeout_ms) {
  if (cancel_.IsRaised()) return ERROR_INTERNET_OPERATION_CANCELLED;
  std::vector<Address> addresses;
  if (DWORD error = Resolve(host, port, cancel_, timeout_ms, &addresses)) return error;
  DWORD error = ERROR_INTERNET_CANNOT_CONNECT;
  for (const Address& address : addresses) {
    if (fd_ >= 0) close(fd_);
    fd_ = socket(address.storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) return ERROR_INTERNET_OUT_OF_HANDLES;
    const int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (connect(fd_, reinterpret_cast<const sockaddr*>(&address.storage), address.length) == 0)
      return 0;
    if (errno != EINPROGRESS) continue;
    error = WaitFor(POLLOUT, timeout_ms);
    if (error == ERROR_INTERNET_OPERATION_CANCELLED) return error;
    if (error != 0) continue;
    int so_error = 0;
    socklen_t length = sizeof so_error;
    if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &so_error, &length) == 0 && so_error == 0) return 0;
    error = ERROR_INTERNET_CANNOT_CONNECT;
  }
  return error;
}

DWORD TSocketStream::SendAll(const void* data, size_t size, int timeout_ms) {
  if (fd_ < 0) return ERROR_INTERNET_CONNECTION_ABORTED;
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    if (DWORD error = WaitFor(POLLOUT, timeout_ms)) return error;
    const ssize_t n = send(fd_, bytes, size, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
      return errno == ECONNRESET ? ERROR_INTERNET_CONNECTION_RESET : ERROR_INTERNET_CONNECTION_ABORTED;
    }
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

DWORD TSocketStream::Receive(void* data, size_t size, size_t* received, int timeout_ms) {
  *received = 0;
  if (fd_ < 0) return ERROR_INTERNET_CONNECTION_ABORTED;
  for (;;) {
    if (DWORD error = WaitFor(POLLIN, timeout_ms)) return error;
    const ssize_t n = recv(fd_, data, size, 0);
    if (n >= 0) {
      *received = static_cast<size_t>(n);
      return 0;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
    return errno == ECONNRESET ? ERROR_INTERNET_CONNECTION_RESET : ERROR_INTERNET_CONNECTION_ABORTED;
  }
}
