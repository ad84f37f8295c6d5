#include "tools/service/http_exchange.h"

#include <algorithm>

namespace {

constexpr std::size_t kBodyChunk = 64 * 1024;

}  // namespace

TBodyRead HttpExchange::ReadBody(const std::function<bool(const char*, std::size_t)>& sink) {
  std::uint64_t left = request_.content_length;
  if (left == 0) return TBodyRead::Complete;
  if (request_.expect_continue && received_.empty() &&
      !channel_.Send("HTTP/1.1 100 Continue\r\n\r\n", deadline_)) {
    return TBodyRead::Cut;
  }
  const std::size_t early = static_cast<std::size_t>(std::min<std::uint64_t>(left, received_.size()));
  if (early > 0) {
    if (!sink(received_.data(), early)) return TBodyRead::Stopped;
    left -= early;
  }
  std::string buffer(kBodyChunk, '\0');
  while (left > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
    const ssize_t got = channel_.Receive(buffer.data(), want, deadline_);
    if (got == HttpChannel::kTimedOut) return TBodyRead::Late;
    if (got <= 0) return TBodyRead::Cut;
    if (!sink(buffer.data(), static_cast<std::size_t>(got))) return TBodyRead::Stopped;
    left -= static_cast<std::uint64_t>(got);
  }
  return TBodyRead::Complete;
}
