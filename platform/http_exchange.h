#pragma once
// One HTTP request and its response on a TCP connection of its own, plain or secured by TLS:
// the request bytes go out as given, the response head is read (interim 1xx answers skipped, size bounded) and the body
// is decoded by its framing (Content-Length, chunked, or up to the close of the connection).
// Results are the internet client's error numbers, 0 on success.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/cancel_signal.h"
#include "platform/http_message.h"
#include "platform/socket_stream.h"
#include "platform/tls_channel.h"

struct THttpTimeouts {
  int connect_ms = 60000;  // each connection attempt; negative: none
  int send_ms = 30000;     // each wait to send
  int receive_ms = 30000;  // each wait for response bytes
};

class THttpExchange {
 public:
  static constexpr size_t kMaxHeadSize = 64 * 1024;  // larger response heads are refused

  THttpExchange(const TCancelSignal& cancel, const THttpTimeouts& timeouts)
      : socket_(cancel), timeouts_(timeouts) {}

  DWORD Open(const std::string& host, std::uint16_t port);
  // Secures the open connection for the server `host` names; everything sent and received
  // afterwards travels inside the TLS session. `*failure` gets the reason when it fails.
  DWORD StartTls(const std::string& host, std::string* failure);
  DWORD Send(const void* data, size_t size);
  // Reads the final response head. `no_body` marks a response to HEAD.
  DWORD ReceiveHead(bool no_body);
  const THttpResponseHead& Head() const { return head_; }
  // Up to `size` body bytes; `*received` 0 at the end of the body.
  DWORD ReadBody(void* data, size_t size, size_t* received);

 private:
  enum class Framing { kNone, kLength, kChunked, kUntilClose };
  enum class ChunkState { kSize, kData, kDataEnd, kTrailer, kDone };

  // Appends received bytes to `buffer_`; ERROR_INTERNET_CONNECTION_ABORTED when the peer has
  // closed.
  DWORD Fill();
  // Takes one line (without its CR LF) from the buffer, reading as needed; bounded in length.
  DWORD ReadLine(std::string* line, size_t max_length);
  DWORD ReadChunked(void* data, size_t size, size_t* received);
  size_t Buffered() const { return buffer_.size() - position_; }
  // Copies up to `size` buffered bytes out.
  size_t TakeBuffered(void* data, size_t size);
  // Receives from the connection, through the TLS session when there is one.
  DWORD Receive(void* data, size_t size, size_t* received);

  TSocketStream socket_;
  std::unique_ptr<TTlsChannel> tls_;  // the session over socket_ once secured
  THttpTimeouts timeouts_;
  THttpResponseHead head_;
  std::string buffer_;        // received bytes not yet consumed from `position_` on
  size_t position_ = 0;
  Framing framing_ = Framing::kNone;
  std::uint64_t remaining_ = 0;  // body bytes (kLength) or chunk bytes (kChunked) still to come
  ChunkState chunk_state_ = ChunkState::kSize;
  bool closed_ = false;       // the peer has closed the connection
};
