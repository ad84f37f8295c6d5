#pragma once
// Percent-encoding of URL query values, byte by byte: the agent writes its user name and
// password this way, the service reads them back. A "+" stands for itself, not for a blank.

#include <optional>
#include <string>
#include <string_view>

// `bytes` with every byte but ASCII letters, digits and the characters of `keep` written as
// "%XX" (upper-case hex digits); by default so that it fits into a query value.
std::string PercentEncode(std::string_view bytes, std::string_view keep = "-_.~");

// The bytes behind `text`: "%XX" (either letter case) becomes the byte 0xXX, every other
// character stays. Empty when an escape is not "%" followed by two hex digits.
std::optional<std::string> PercentDecode(std::string_view text);
