#include "platform/cancel_signal.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

TCancelSignal::TCancelSignal() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

TCancelSignal::~TCancelSignal() { close(fd_); }

void TCancelSignal::Raise() {
  if (raised_.exchange(true)) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
}
