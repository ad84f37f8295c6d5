#include "xls/BiffStrings.h"

#include <bit>
#include <cstring>

#include "platform/codepage.h"

namespace {
int g_workbook_code_page = CP_ACP;
}  // namespace

int WorkbookCodePage() { return g_workbook_code_page; }
void SetWorkbookCodePage(int code_page) { g_workbook_code_page = code_page; }

std::u16string Utf16LEToText(const std::uint8_t* bytes, std::size_t count) {
  std::u16string text(count, u'\0');
  for (std::size_t i = 0; i < count; ++i)
    text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return text;
}

std::u16string CodePageToText(std::string_view bytes, int code_page) {
  return MultiByteToWide(bytes.substr(0, bytes.find('\0')), code_page);
}

std::u16string WidenBytes(std::string_view bytes) {
  std::u16string text(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) text[i] = static_cast<std::uint8_t>(bytes[i]);
  return text;
}

std::u16string CharsToText(std::string_view bytes, bool sixteen_bit) {
  if (!sixteen_bit) return WidenBytes(bytes);
  return Utf16LEToText(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size() / 2);
}

void AppendChars(std::u16string& text, const std::uint8_t* bytes, std::size_t count, bool sixteen_bit) {
  const std::size_t at = text.size();
  text.resize(at + count);
  DecodeChars(text.data() + at, bytes, count, sixteen_bit);
}

void DecodeChars(char16_t* to, const std::uint8_t* bytes, std::size_t count, bool sixteen_bit) {
  if (sixteen_bit) {
    static_assert(std::endian::native == std::endian::little);
    std::memcpy(to, bytes, 2 * count);  // UTF-16LE as it is stored
  } else {
    for (std::size_t i = 0; i < count; ++i) to[i] = bytes[i];
  }
}
