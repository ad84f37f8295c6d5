#pragma once
// The head of an HTTP/1.1 request (request line and header lines) as the service reads it:
// bounded in size and line count while it arrives, then parsed strictly. Anything the service
// does not serve safely is refused here, before a byte of the body is read.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "platform/http_message.h"

// How large a request head may be.
struct THeadLimits {
  std::size_t max_bytes = 16 * 1024;  // request line and header lines together
  std::size_t max_headers = 64;       // header lines
};

// A request the service refuses, and why (Russian, for the answer's second line).
struct THttpRefusal {
  int status = 400;  // the HTTP status of the refusal
  std::string why;   // the reason, UTF-8
};

// A parsed request head.
struct THttpRequest {
  std::string method;                // "GET", "HEAD", "POST", ...
  std::string target;                // path and query, as sent
  THttpHeaders headers;              // in the order received
  std::uint64_t content_length = 0;  // the body's length; 0 without Content-Length
  bool expect_continue = false;      // "Expect: 100-continue": the client waits for a go-ahead

  // The target up to its "?", not decoded.
  std::string_view Path() const;
  // The value of the first header of that name, or empty.
  std::string_view Header(std::string_view name) const;
};

// Finds the end of a head in the bytes of a connection as they arrive, counting lines on the
// way, so that a head without end is refused once it passes the limits.
class HeadScanner {
 public:
  explicit HeadScanner(THeadLimits limits) : limits_(limits) {}

  // Takes all bytes received so far (those of earlier calls unchanged, more after them): the
  // length of the head with its empty line once it is complete, 0 while it is not, or a
  // refusal once it exceeds the limits (431; 414 when the request line alone does).
  std::variant<std::size_t, THttpRefusal> Scan(std::string_view received);

 private:
  THeadLimits limits_;        // the limits
  std::size_t scanned_ = 0;   // bytes already looked at
  std::size_t lines_ = 0;     // line ends among them
};

// Parses a complete head (as HeadScanner measured it). Refused: a malformed request line or
// header line (400), versions other than HTTP/1.0 and 1.1 (505), a Content-Length that is not
// one plain decimal number (400) or exceeds `max_body` (413), a Transfer-Encoding (411), a
// Content-Encoding (415), an Expect other than 100-continue (417). Range headers are never
// acted upon: every answer is whole.
std::variant<THttpRequest, THttpRefusal> ParseRequestHead(std::string_view head,
                                                          std::uint64_t max_body);
