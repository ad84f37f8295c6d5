#pragma once
// The query of a request target and its key-value pairs. The agent sends the bytes of its
// system code page (Windows-1251) percent-encoded (platform/percent_encoding.h).

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/percent_encoding.h"

// The key-value pairs of a query ("a=1&b=2"), decoded, in their order: "+" is a blank, "%XX"
// the byte XX. A piece without "=" is a key with an empty value; empty pieces are skipped.
// Empty when an escape is malformed.
using QueryPairs = std::vector<std::pair<std::string, std::string>>;
std::optional<QueryPairs> ParseQuery(std::string_view query);

// The query of a request target: the text after the first "?", without a fragment ("#...").
std::string_view QueryOfTarget(std::string_view target);
