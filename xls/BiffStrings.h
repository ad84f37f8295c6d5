#pragma once
// How the readers turn character data into text. BIFF8 strings are UTF-16LE (string flag bit 0
// set) or 8-bit data holding the characters U+0000 to U+00FF (widened byte by byte); 8-bit
// texts of the system's code page (a file path inside a hyperlink) go through the workbook's
// code page.

#include <cstdint>
#include <string>
#include <string_view>

// The process-wide code page of 8-bit workbook text: the system code page (CP_ACP) until a
// workbook file object sets it. Used from the main thread only.
int WorkbookCodePage();
void SetWorkbookCodePage(int code_page);

// `count` UTF-16LE characters starting at `bytes`.
std::u16string Utf16LEToText(const std::uint8_t* bytes, std::size_t count);
// The bytes up to the first zero byte, converted through `code_page`.
std::u16string CodePageToText(std::string_view bytes, int code_page);
// Each byte becomes the character with the same number (U+0000 to U+00FF).
std::u16string WidenBytes(std::string_view bytes);
// Writes `count` characters of such data, starting at `bytes` (2 * `count` bytes when
// `sixteen_bit`), to `to`.
void DecodeChars(char16_t* to, const std::uint8_t* bytes, std::size_t count, bool sixteen_bit);
// The same appended to `text`.
void AppendChars(std::u16string& text, const std::uint8_t* bytes, std::size_t count, bool sixteen_bit);
