#include "xls/XLSHyperlink.h"

#include <cstring>

#include "xls/BiffStrings.h"
#include "xls/XLSError.h"

namespace {

constexpr std::uint8_t kURLMoniker[16] = {0xE0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11,
                                          0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B};
constexpr std::uint8_t kFileMoniker[16] = {0x03, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                           0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// Reads the record from a position; any read beyond its end is an invalid hyperlink.
class THyperlinkData {
 public:
  explicit THyperlinkData(std::string_view AData) : FData(AData) {}

  const std::uint8_t* Take(std::uint64_t ACount) {
    if (ACount > FData.size() - FPosition) throw EXLSError(EXLS_INVALIDHLINK);
    const auto* at = reinterpret_cast<const std::uint8_t*>(FData.data()) + FPosition;
    FPosition += static_cast<std::size_t>(ACount);
    return at;
  }
  std::uint16_t Word() {
    const std::uint8_t* b = Take(2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
  }
  std::uint32_t DWord() {
    const std::uint8_t* b = Take(4);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  }
  // A 4-byte count and the string; the count is in bytes or in characters.
  std::u16string Counted(bool ACountInBytes, bool ASixteenBit) {
    const std::uint64_t count = DWord();
    const std::uint64_t bytes = ACountInBytes || !ASixteenBit ? count : 2 * count;
    const std::uint8_t* at = Take(bytes);
    std::u16string text;
    if (ASixteenBit) {
      text = Utf16LEToText(at, static_cast<std::size_t>(bytes / 2));
    } else {
      text = CodePageToText(std::string_view(reinterpret_cast<const char*>(at), bytes),
                            WorkbookCodePage());
    }
    return text.substr(0, text.find(u'\0'));  // cut at the first zero character
  }

 private:
  std::string_view FData;
  std::size_t FPosition = 0;
};

}  // namespace

THyperlinkRecord ParseHyperlinkRecord(std::string_view AData) {
  THyperlinkRecord link;
  THyperlinkData data(AData);
  if (AData.size() < 32) throw EXLSError(EXLS_INVALIDHLINK);
  link.RowFrom = data.Word();
  link.RowTo = data.Word();
  link.ColumnFrom = data.Word();
  link.ColumnTo = data.Word();
  data.Take(20);  // class id and stream version
  const std::uint32_t flags = data.DWord();
  if (flags & 0x100) link.Type = hltUNC;
  else if (flags & 0x01) link.Type = hltURL;
  else link.Type = hltCurrentWorkbook;
  if ((flags & 0x14) == 0x14) data.Counted(false, true);  // display name
  if (flags & 0x80) data.Counted(false, true);            // target frame
  if (link.Type == hltURL) {
    const std::uint8_t* moniker = data.Take(16);
    if (std::memcmp(moniker, kFileMoniker, 16) == 0) {
      link.Type = hltFile;
      data.Take(2);  // up-level count
      const std::u16string path8 = data.Counted(false, false);
      data.Take(24);
      link.Text = path8;
      if (data.DWord() != 0) {
        const std::uint32_t bytes = data.DWord();
        const std::uint16_t key = data.Word();
        const std::u16string path16 = Utf16LEToText(data.Take(bytes), bytes / 2);
        // Only key value 3 marks UTF-16 text; other writers leave 8-bit bytes here.
        if (key == 3 && path16.size() >= path8.size()) link.Text = path16;
      }
    } else if (std::memcmp(moniker, kURLMoniker, 16) == 0) {
      link.Text = data.Counted(true, true);
    } else {
      throw EXLSError(EXLS_INVALIDHLINK);
    }
  } else if (link.Type == hltUNC) {
    link.Text = data.Counted(false, true);
  } else if (flags & 0x08) {
    link.Text = data.Counted(false, true);  // the location within the workbook
  }
  return link;
}
