#include "raw_connection.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace {

constexpr int kWaitMs = 10000;

}  // namespace

RawConnection::RawConnection(int port) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const timeval limit{kWaitMs / 1000, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    throw std::runtime_error("cannot connect to the service");
  }
}

RawConnection::~RawConnection() { ::close(fd_); }

bool RawConnection::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

bool RawConnection::Answered(int wait_ms) {
  pollfd wait{fd_, POLLIN, 0};
  return ::poll(&wait, 1, wait_ms) > 0;
}

std::string RawConnection::ReadSome() {
  char buffer[65536];
  if (!Answered(kWaitMs)) return "<nothing>";
  const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
  return got <= 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(got));
}

std::string RawConnection::ReadToEnd() {
  std::string received;
  for (;;) {
    if (!Answered(kWaitMs)) return received + "<still open>";
    const std::string piece = ReadSome();
    if (piece.empty()) return received;  // the end, or a reset after it
    received += piece;
  }
}

int FirstStatus(std::string_view received) {
  if (!received.starts_with("HTTP/1.1 ") || received.size() < 12) return 0;
  return std::stoi(std::string(received.substr(9, 3)));
}

int AnswerCount(std::string_view received) {
  int count = 0;
  for (std::size_t at = received.find("HTTP/1.1 "); at != std::string_view::npos;
       at = received.find("HTTP/1.1 ", at + 1)) {
    ++count;
  }
  return count;
}
