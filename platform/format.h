#pragma once
// printf-like formatting of UTF-16 text with the argument kinds the agent's messages need:
// %d (integer, precision = minimum digits), %u, %x (upper-case hexadecimal), %s (text,
// precision = maximum characters) and %%, each with an optional '-' (left-align) and width.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

// One argument: an integer or a text.
struct FormatArg {
  FormatArg(int v) : value(static_cast<std::int64_t>(v)) {}
  FormatArg(long v) : value(static_cast<std::int64_t>(v)) {}
  FormatArg(long long v) : value(static_cast<std::int64_t>(v)) {}
  FormatArg(unsigned v) : value(static_cast<std::int64_t>(v)) {}
  FormatArg(std::u16string v) : value(std::move(v)) {}
  FormatArg(const char16_t* v) : value(std::u16string(v)) {}
  std::variant<std::int64_t, std::u16string> value;  // the argument
};

// Raises EConvertError when the format text is malformed or the arguments do not match it.
std::u16string Format(std::u16string_view format, std::initializer_list<FormatArg> args);
