#include "xls/XLSFont.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "xls/BiffStrings.h"

std::u16string FontNameOf(const TFontData& AFont) {
  std::u16string name;
  for (int i = 0; i < kFontNameLength && AFont.Name[i] != 0; ++i) name += AFont.Name[i];
  return name;
}

void SetFontNameOf(TFontData& AFont, std::u16string_view AName) {
  for (int i = 0; i < kFontNameLength; ++i)
    AFont.Name[i] = i < static_cast<int>(AName.size()) ? AName[i] : u'\0';
}

namespace {

std::u16string& DefaultFontNameValue() {
  static std::u16string name = u"Arial";
  return name;
}

}  // namespace

const std::u16string& DefaultFontName() { return DefaultFontNameValue(); }

void SetDefaultFontName(std::u16string AName) { DefaultFontNameValue() = std::move(AName); }

TFontData DefaultFontData() {
  TFontData font;
  std::memset(static_cast<void*>(&font), 0, sizeof font);
  font.UnderlineStyle = xlFontUnderlineNone;
  font.SSStyle = xlFontSSNone;
  font.ColorIndex = xlColorIndexAutoText;
  font.Height = 10;
  SetFontNameOf(font, DefaultFontName());
  return font;
}

void DecodeFontRecord(TEasyStream& AData, TFontData& AFont) {
  std::uint16_t height = 0, flags = 0, color = 0, weight = 0, escapement = 0;
  std::uint8_t underline = 0, name_length = 0, string_flags = 0;
  AData.ReadWord(height);
  AData.ReadWord(flags);
  AData.ReadWord(color);
  AData.ReadWord(weight);
  AData.ReadWord(escapement);
  AData.ReadByte(underline);
  AData.SkipBytes(3);
  AData.ReadByte(name_length);
  AData.ReadByte(string_flags);

  AFont.Height = static_cast<std::uint16_t>(std::nearbyint(height / 20.0));
  AFont.Italic = (flags & 0x02) != 0;
  AFont.StrikeOut = (flags & 0x08) != 0;
  AFont.ColorIndex = BiffColorToColorIndex(color);
  AFont.Bold = weight == 700;
  AFont.SSStyle = static_cast<TXLFontSSStyle>(escapement & 0xFF);
  AFont.Underline = underline != 0;
  switch (underline) {
    case 0x01: AFont.UnderlineStyle = xlFontUnderlineSingle; break;
    case 0x02: AFont.UnderlineStyle = xlFontUnderlineDouble; break;
    case 0x21: AFont.UnderlineStyle = xlFontUnderlineSingleAcc; break;
    case 0x22: AFont.UnderlineStyle = xlFontUnderlineDoubleAcc; break;
    default: AFont.UnderlineStyle = xlFontUnderlineNone; break;
  }

  const bool wide = (string_flags & 0x01) != 0;
  const std::int64_t available = std::max<std::int64_t>(AData.ReadableSize(), 0) / (wide ? 2 : 1);
  const std::int64_t count = std::min<std::int64_t>({name_length, available, kFontNameLength});
  std::string bytes;
  AData.ReadString(bytes, count * (wide ? 2 : 1));
  SetFontNameOf(AFont, wide ? Utf16LEToText(reinterpret_cast<const std::uint8_t*>(bytes.data()), count)
                            : WidenBytes(bytes));
}
