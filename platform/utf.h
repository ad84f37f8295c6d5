#pragma once
// Conversions between UTF-8 (file system paths, terminal output, HTML) and UTF-16 (text).
// Malformed input never fails: a bad UTF-8 sequence becomes U+FFFD, and an unpaired surrogate
// is written as U+FFFD.

#include <string>
#include <string_view>

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// Utf16ToUtf8 appended to `out`.
void AppendUtf16AsUtf8(std::string& out, std::u16string_view utf16);
// Utf16ToUtf8 written at `out`, which has room for 3 bytes a UTF-16 unit; returns the end.
char* WriteUtf16AsUtf8(char* out, std::u16string_view utf16);
