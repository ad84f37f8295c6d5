#pragma once
// The answers of the service: their parts, the plain-text refusal the agent reads, and the
// head that goes out before the body.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/http_message.h"
#include "tools/service/file_handle.h"
#include "tools/service/http_request.h"

struct THttpAnswer {
  int status = 200;           // the HTTP status
  std::string content_type;   // the body's type
  THttpHeaders headers;       // further headers
  std::string body;           // the body, unless `file` is open
  FileHandle file;            // when open, the body is this file from its start to its end
};

// A plain-text answer in UTF-8.
THttpAnswer TextAnswer(int status, std::string text);
// An HTML page in UTF-8.
THttpAnswer HtmlAnswer(std::string page);
// A refusal: its first line "error" is anything but the agent's "ok", the second says why.
THttpAnswer Refusal(int status, std::string_view why);
THttpAnswer Refusal(const THttpRefusal& refusal);

// The status line and header lines of `answer` with a body of `length` bytes, up to and with
// the empty line. Every answer ends its connection ("Connection: close") and forbids content
// sniffing ("X-Content-Type-Options: nosniff").
std::string AnswerHead(const THttpAnswer& answer, std::uint64_t length);
