#include "platform/http_exchange.h"

#include <algorithm>
#include <cstring>

#include "platform/internet_client.h"

namespace {

// A decimal Content-Length value; false when malformed.
bool ParseLength(std::string_view text, std::uint64_t* value) {
  if (text.empty() || text.size() > 18) return false;
  std::uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
  }
  *value = v;
  return true;
}

bool ContainsChunked(std::string_view value) {
  for (size_t i = 0; i + 7 <= value.size(); ++i) {
    if (SameHeaderName(value.substr(i, 7), "chunked")) return true;
  }
  return false;
}

}  // namespace

DWORD THttpExchange::Open(const std::string& host, std::uint16_t port) {
  return socket_.Connect(host, port, timeouts_.connect_ms);
}

DWORD THttpExchange::StartTls(const std::string& host, std::string* failure) {
  tls_ = std::make_unique<TTlsChannel>(socket_);
  const DWORD error = tls_->Handshake(host, timeouts_.send_ms, timeouts_.receive_ms);
  *failure = tls_->Failure();
  return error;
}

DWORD THttpExchange::Send(const void* data, size_t size) {
  if (tls_ != nullptr) return tls_->SendAll(data, size, timeouts_.send_ms);
  return socket_.SendAll(data, size, timeouts_.send_ms);
}

DWORD THttpExchange::Receive(void* data, size_t size, size_t* received) {
  if (tls_ != nullptr) return tls_->Receive(data, size, received, timeouts_.receive_ms);
  return socket_.Receive(data, size, received, timeouts_.receive_ms);
}

DWORD THttpExchange::Fill() {
  if (closed_) return ERROR_INTERNET_CONNECTION_ABORTED;
  if (position_ > 0 && position_ == buffer_.size()) {
    buffer_.clear();
    position_ = 0;
  }
  char chunk[16384];
  size_t received = 0;
  if (DWORD error = Receive(chunk, sizeof chunk, &received)) return error;
  if (received == 0) {
    closed_ = true;
    return ERROR_INTERNET_CONNECTION_ABORTED;
  }
  buffer_.append(chunk, received);
  return 0;
}

size_t THttpExchange::TakeBuffered(void* data, size_t size) {
  const size_t n = std::min(size, Buffered());
  std::memcpy(data, buffer_.data() + position_, n);
  position_ += n;
  return n;
}

DWORD THttpExchange::ReadLine(std::string* line, size_t max_length) {
  for (;;) {
    const size_t end = buffer_.find('\n', position_);
    if (end != std::string::npos) {
      if (end - position_ > max_length) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
      line->assign(buffer_, position_, end - position_);
      if (!line->empty() && line->back() == '\r') line->pop_back();
      position_ = end + 1;
      return 0;
    }
    if (Buffered() > max_length) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    if (DWORD error = Fill()) return error;
  }
}

DWORD THttpExchange::ReceiveHead(bool no_body) {
  for (;;) {
    // Collect the head up to its empty line.
    size_t end = std::string::npos;
    size_t end_length = 0;
    for (;;) {
      const size_t crlf = buffer_.find("\r\n\r\n", position_);
      const size_t lf = buffer_.find("\n\n", position_);
      if (crlf != std::string::npos && (lf == std::string::npos || crlf < lf)) {
        end = crlf;
        end_length = 4;
      } else if (lf != std::string::npos) {
        end = lf;
        end_length = 2;
      }
      if (end != std::string::npos) break;
      if (Buffered() > kMaxHeadSize) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
      // Garbage that can never become a status line is refused without waiting for more.
      const size_t have = std::min<size_t>(Buffered(), 5);
      if (buffer_.compare(position_, have, std::string_view("HTTP/").substr(0, have)) != 0)
        return ERROR_HTTP_INVALID_SERVER_RESPONSE;
      if (DWORD error = Fill()) {
        if (error == ERROR_INTERNET_CONNECTION_ABORTED && Buffered() > 0)
          return ERROR_HTTP_INVALID_SERVER_RESPONSE;
        return error;
      }
    }
    if (end - position_ > kMaxHeadSize) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    THttpResponseHead head;
    if (!ParseResponseHead(std::string_view(buffer_).substr(position_, end + end_length - position_), &head))
      return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    position_ = end + end_length;
    if (head.status >= 100 && head.status < 200 && head.status != 101) continue;  // interim
    head_ = std::move(head);
    break;
  }
  framing_ = Framing::kUntilClose;
  const bool bodiless = no_body || head_.status < 200 || head_.status == 204 || head_.status == 304;
  const THttpHeader* transfer = FindHeader(head_.headers, "Transfer-Encoding");
  if (bodiless) {
    framing_ = Framing::kNone;
  } else if (transfer != nullptr && ContainsChunked(transfer->value)) {
    framing_ = Framing::kChunked;
    chunk_state_ = ChunkState::kSize;
  } else if (const THttpHeader* length = FindHeader(head_.headers, "Content-Length")) {
    if (!ParseLength(length->value, &remaining_)) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    for (size_t i = 1; const THttpHeader* other = FindHeader(head_.headers, "Content-Length", i); ++i) {
      if (other->value != length->value) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    }
    framing_ = Framing::kLength;
  }
  return 0;
}

DWORD THttpExchange::ReadBody(void* data, size_t size, size_t* received) {
  *received = 0;
  if (size == 0) return 0;
  switch (framing_) {
    case Framing::kNone:
      return 0;
    case Framing::kLength: {
      if (remaining_ == 0) return 0;
      const size_t want = static_cast<size_t>(std::min<std::uint64_t>(size, remaining_));
      if (Buffered() == 0) {
        if (DWORD error = Fill()) return error;
      }
      *received = TakeBuffered(data, want);
      remaining_ -= *received;
      return 0;
    }
    case Framing::kUntilClose: {
      if (Buffered() == 0) {
        if (closed_) return 0;
        const DWORD error = Fill();
        if (error == ERROR_INTERNET_CONNECTION_ABORTED && closed_) return 0;
        if (error != 0) return error;
      }
      *received = TakeBuffered(data, size);
      return 0;
    }
    case Framing::kChunked:
      return ReadChunked(data, size, received);
  }
  return 0;
}

DWORD THttpExchange::ReadChunked(void* data, size_t size, size_t* received) {
  std::string line;
  for (;;) {
    switch (chunk_state_) {
      case ChunkState::kSize: {
        if (DWORD error = ReadLine(&line, 1024)) return error;
        const size_t end = line.find_first_of("; \t");
        const std::string digits = line.substr(0, end);
        if (digits.empty() || digits.size() > 15) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
        std::uint64_t value = 0;
        for (char c : digits) {
          int d = c >= '0' && c <= '9' ? c - '0'
                  : c >= 'a' && c <= 'f' ? c - 'a' + 10
                  : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
          if (d < 0) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
          value = value * 16 + static_cast<std::uint64_t>(d);
        }
        remaining_ = value;
        chunk_state_ = value == 0 ? ChunkState::kTrailer : ChunkState::kData;
        break;
      }
      case ChunkState::kData: {
        if (Buffered() == 0) {
          if (DWORD error = Fill()) return error;
        }
        const size_t want = static_cast<size_t>(std::min<std::uint64_t>(size, remaining_));
        *received = TakeBuffered(data, want);
        remaining_ -= *received;
        if (remaining_ == 0) chunk_state_ = ChunkState::kDataEnd;
        return 0;
      }
      case ChunkState::kDataEnd:
        if (DWORD error = ReadLine(&line, 2)) return error;
        if (!line.empty()) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
        chunk_state_ = ChunkState::kSize;
        break;
      case ChunkState::kTrailer:
        if (DWORD error = ReadLine(&line, kMaxHeadSize)) return error;
        if (line.empty()) chunk_state_ = ChunkState::kDone;
        break;
      case ChunkState::kDone:
        return 0;
    }
  }
}
