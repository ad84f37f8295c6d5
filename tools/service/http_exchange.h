#pragma once
// One request as a handler of the service sees it: the parsed head, and its body, which is
// read only when the handler asks for it, within a deadline and never past its length.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "tools/service/http_channel.h"
#include "tools/service/http_request.h"

// How reading a body ended.
enum class TBodyRead {
  Complete,  // all Content-Length bytes went to the sink
  Stopped,   // the sink stopped it
  Cut,       // the client closed or the connection failed first
  Late,      // the deadline passed first
};

class HttpExchange {
 public:
  // `received` holds the bytes that arrived after the head; all must outlive the exchange.
  HttpExchange(const THttpRequest& request, HttpChannel& channel, std::string_view received,
               HttpChannel::Clock::time_point deadline)
      : request_(request), channel_(channel), received_(received), deadline_(deadline) {}

  const THttpRequest& Request() const { return request_; }

  // Reads the body and hands it on piece by piece; `sink` returns false to stop. Sends
  // "100 Continue" first when the client waits for it. Call it once.
  TBodyRead ReadBody(const std::function<bool(const char*, std::size_t)>& sink);

 private:
  const THttpRequest& request_;            // the head
  HttpChannel& channel_;                   // the connection
  std::string_view received_;              // body bytes that came with the head
  HttpChannel::Clock::time_point deadline_;  // the body must have arrived by then
};
