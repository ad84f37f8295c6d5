#pragma once
// Fonts of a workbook: the packed TFontData record (its bytes are its identity), the font
// table TVirtualFontTable, and the decoding of a BIFF8 FONT record.

#include <cstdint>
#include <string>
#include <string_view>

#include "xls/Streams.h"
#include "xls/VDataTable.h"
#include "xls/XLSPalette.h"

enum TXLFontUnderlineStyle : std::uint8_t {
  xlFontUnderlineNone,
  xlFontUnderlineSingle,
  xlFontUnderlineDouble,
  xlFontUnderlineSingleAcc,
  xlFontUnderlineDoubleAcc,
};

enum TXLFontSSStyle : std::uint8_t { xlFontSSNone, xlFontSSSuper, xlFontSSSub };

inline constexpr int kFontNameLength = 100;

#pragma pack(push, 1)
// One font, 209 bytes. Equal fonts must be equal bytes: the name is zero-filled after its end.
struct TFontData {
  bool Bold;                             // weight is bold
  bool Italic;
  bool Underline;                        // any underline
  bool StrikeOut;
  TXLFontUnderlineStyle UnderlineStyle;
  TXLFontSSStyle SSStyle;                // superscript, subscript
  TXLColorIndex ColorIndex;
  std::uint16_t Height;                  // size in points
  char16_t Name[kFontNameLength];        // face name
};
#pragma pack(pop)
static_assert(sizeof(TFontData) == 209);

// The face name up to its first zero character.
std::u16string FontNameOf(const TFontData& AFont);
// Zero-fills the name field and copies at most 100 characters of `AName` into it.
void SetFontNameOf(TFontData& AFont, std::u16string_view AName);

// The process-wide default font name ("Arial").
const std::u16string& DefaultFontName();
void SetDefaultFontName(std::u16string AName);

// Not bold, not italic, no underline or strike-out, colour 57, 10 points, the default name.
TFontData DefaultFontData();

// Decodes a BIFF8 FONT record's data into `AFont` (normally a cleared work buffer). Missing
// bytes of a short record read as zeros; names longer than 100 characters are cut there, and
// underline types other than 0, 1, 2, 0x21 and 0x22 count as underlined with style none.
void DecodeFontRecord(TEasyStream& AData, TFontData& AFont);

class TVirtualFontTable : public TVirtualRecordTable<TFontData> {
 public:
  // Holds the default font at position 0.
  TVirtualFontTable() : TVirtualRecordTable(&DefaultFontData) {}
  TFontData& LoadFontToBuffer(int AIndex) { return LoadToBuffer(AIndex); }
};
