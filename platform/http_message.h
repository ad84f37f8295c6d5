#pragma once
// Header lines of HTTP messages: the request's list with the add, replace and coalesce rules
// of the internet client, and the parsing of a response head.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/last_error.h"

struct THttpHeader {
  std::string name;   // as written, compared without regard to case
  std::string value;  // without surrounding blanks
};
using THttpHeaders = std::vector<THttpHeader>;

bool SameHeaderName(std::string_view a, std::string_view b);
// The `occurrence`-th header of that name (0 first), or null.
const THttpHeader* FindHeader(const THttpHeaders& headers, std::string_view name,
                              size_t occurrence = 0);
// Applies "Name: value" lines separated by CR LF (or LF) under the HttpAddRequestHeaders
// modifiers; empty lines are skipped. 0 on success, else ERROR_HTTP_INVALID_HEADER (nothing
// changed) or ERROR_HTTP_HEADER_ALREADY_EXISTS (the other lines applied).
DWORD ApplyHeaderLines(THttpHeaders* headers, std::string_view text, DWORD modifiers);

struct THttpResponseHead {
  std::string raw;       // the head as received, lines ended by CR LF, ending with an empty line
  std::string version;   // "HTTP/1.1"
  DWORD status = 0;      // 100 to 999
  std::string reason;    // "OK"
  THttpHeaders headers;  // in the order received
};
// Parses a head (status line and header lines, up to and including the empty line); false
// when it is not an HTTP response head.
bool ParseResponseHead(std::string_view text, THttpResponseHead* head);
