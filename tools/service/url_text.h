#pragma once
// Percent-encoding of URL query values. The agent sends the bytes of its system code page
// (Windows-1251), every byte but letters, digits, "-", "_", ".", "~" written as "%" and two hex
// digits; a "+" stands for itself, not for a blank.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The bytes behind `text`: "%XX" (either letter case) becomes the byte 0xXX, every other
// character stays. Empty when an escape is not "%" followed by two hex digits.
std::optional<std::string> PercentDecode(std::string_view text);

// `bytes` with every byte but ASCII letters, digits and the characters of `keep` written as
// "%XX" (upper-case hex digits); by default so that it fits into a query value.
std::string PercentEncode(std::string_view bytes, std::string_view keep = "-_.~");

// The key-value pairs of a query ("a=1&b=2"), decoded, in their order. A piece without "="
// is a key with an empty value; empty pieces are skipped. Empty when an escape is malformed.
using QueryPairs = std::vector<std::pair<std::string, std::string>>;
std::optional<QueryPairs> ParseQuery(std::string_view query);

// The query of a request target: the text after the first "?", without a fragment ("#...").
std::string_view QueryOfTarget(std::string_view target);
