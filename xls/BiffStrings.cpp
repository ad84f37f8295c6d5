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
  std::u16string text;
  AppendChars(text, bytes, count, true);
  return text;
}

std::u16string CodePageToText(std::string_view bytes, int code_page) {
  return MultiByteToWide(bytes.substr(0, bytes.find('\0')), code_page);
}

std::u16string WidenBytes(std::string_view bytes) {
  std::u16string text;
  AppendChars(text, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), false);
  return text;
}

void AppendChars(std::u16string& text, const std::uint8_t* bytes, std::size_t count, bool sixteen_bit) {
  const std::size_t at = text.size();
  text.resize(at + count);
  DecodeChars(text.data() + at, bytes, count, sixteen_bit);
}

void DecodeChars(char16_t* to, const std::uint8_t* bytes, std::size_t count, bool sixteen_bit) {
  if (count == 0) return;  // `bytes` may then be null, which memcpy must not see
  if (sixteen_bit) {
    static_assert(std::endian::native == std::endian::little);
    std::memcpy(to, bytes, 2 * count);  // UTF-16LE as it is stored
  } else {
    for (std::size_t i = 0; i < count; ++i) to[i] = bytes[i];
  }
}
