#pragma once
// Colours of an .xlsx workbook and the palette they take. A styles part names colours by
// palette number, by RGB or by theme colour with a tint; the model holds palette indexes. The
// palette takes the workbook's own colours as Excel does when it saves an .xlsx as .xls: its
// custom indexed colours, then every other colour it uses in an entry of its own while any of
// the 56 is free; colours beyond that take the nearest entry.

#include <cstdint>
#include <vector>

#include "xls/XLSPalette.h"
#include "xls/XmlReader.h"

struct TXLSXColor {
  enum TKind : std::uint8_t { ckAuto, ckIndexed, ckRGB };
  TKind Kind = ckAuto;
  std::uint8_t Indexed = 0;  // palette number 0 to 65 (64, 65: system colours)
  std::uint32_t RGB = 0;     // red in the low byte, theme and tint resolved

  bool operator==(const TXLSXColor&) const = default;
};

// The theme's colours in the order styles number them: light 1, dark 1, light 2, dark 2,
// accents 1 to 6, hyperlink, followed hyperlink.
using TXLSXThemeColors = std::vector<std::uint32_t>;

// Reads a theme part (the colour scheme only). Exceptions as TXmlReader's.
class TXLSXThemeReader : public TXmlHandler {
 public:
  void StartElement(std::string_view AName, const TXmlAttributes& AAttributes) override;
  void EndElement(std::string_view AName) override;
  void Text(std::string_view) override {}
  const TXLSXThemeColors& Colors() const { return FColors; }

 private:
  TXLSXThemeColors FColors = TXLSXThemeColors(12, 0);
  int FSlot = -1;            // the scheme entry being read
  bool FInScheme = false;    // inside the colour scheme
};

// A "#RRGGBB" or "AARRGGBB" hexadecimal text as a colour; false when it is none.
bool ParseHexColor(const char* AText, std::uint32_t& AColor);
// Applies a tint (-1 to 1) to the lightness of a colour.
std::uint32_t TintColor(std::uint32_t AColor, double ATint);
// The colour a colour element's attributes name (auto, indexed, rgb, theme with tint).
TXLSXColor ParseColor(const TXmlAttributes& AAttributes, const TXLSXThemeColors& ATheme);

class TXLSXPalette {
 public:
  // A custom palette: the list's entries 8 to 63 become palette entries 1 to 56.
  void SetIndexedColors(const std::vector<std::uint32_t>& AColors) { FIndexed = AColors; }
  // Notes a colour the workbook uses, in order of first use.
  void Use(const TXLSXColor& AColor);
  // Writes the process-wide palette: the custom entries, then the workbook's RGB colours.
  void Apply();
  // The palette index of a colour once applied; `AAuto` for an automatic colour.
  TXLColorIndex IndexOf(const TXLSXColor& AColor, TXLColorIndex AAuto) const;

 private:
  std::vector<std::uint32_t> FIndexed;   // custom indexed colours, by palette number
  std::vector<std::uint32_t> FRGB;       // RGB colours used, first use first
  std::vector<bool> FReserved = std::vector<bool>(kPaletteSize + 1, false);  // entries named by number
  std::vector<std::pair<std::uint32_t, TXLColorIndex>> FAssigned;  // RGB colour -> entry
};
