#pragma once
// The styles part of an .xlsx workbook: number formats, fonts, fills, borders and the cell
// formats that combine them, read as written and then put into the workbook's number-format,
// font and XF tables (cell format n at XF position n, font n at font position n), with the
// colours through the workbook's palette.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "xls/XLSFont.h"
#include "xls/XLSFormatXF.h"
#include "xls/XLSXColors.h"
#include "xls/XmlReader.h"

class TWorkbook;

class TXLSXStylesReader : public TXmlHandler {
 public:
  explicit TXLSXStylesReader(const TXLSXThemeColors& ATheme) : FTheme(ATheme) {}

  void StartElement(std::string_view AName, const TXmlAttributes& AAttributes) override;
  void EndElement(std::string_view AName) override;
  void Text(std::string_view) override {}

  // Fills the workbook's tables and the palette; the tables keep their defaults when the part
  // has no fonts or no cell formats.
  void ApplyTo(TWorkbook& AWorkbook);

 private:
  struct TFont {
    std::u16string Name = u"Calibri";
    double Size = 11;
    bool Bold = false, Italic = false, StrikeOut = false;
    TXLFontUnderlineStyle Underline = xlFontUnderlineNone;
    TXLFontSSStyle Script = xlFontSSNone;
    TXLSXColor Color;
  };
  struct TFill {
    TXLPattern Pattern = xlPatternNone;
    TXLSXColor Foreground, Background;
  };
  struct TBorder {
    TXLBorderStyle Style[4] = {bsNone, bsNone, bsNone, bsNone};  // left, right, top, bottom
    TXLSXColor Color[4];
  };
  struct TCellFormat {
    int NumberFormat = 0, Font = 0, Fill = 0, Border = 0;
    TXFData XF = DefaultXFData();  // alignment and protection; the rest is filled in ApplyTo
  };
  // The section of the styles part being read.
  enum TSection { sNone, sNumberFormats, sFonts, sFills, sBorders, sCellFormats, sColors, sOther };

  void StartFontChild(std::string_view AName, const TXmlAttributes& AAttributes);
  void StartCellFormatChild(std::string_view AName, const TXmlAttributes& AAttributes);
  void StartBorderChild(std::string_view AName, const TXmlAttributes& AAttributes);
  void ApplyFonts(TWorkbook& AWorkbook, const TXLSXPalette& APalette);
  void ApplyCellFormats(TWorkbook& AWorkbook, const TXLSXPalette& APalette);

  const TXLSXThemeColors& FTheme;                        // resolves theme colours
  TSection FSection = sNone;
  int FDepth = 0;                                        // nesting depth of the element being read
  int FBorderSide = -1;                                  // side of the border being read
  bool FInFillPattern = false;                           // inside a pattern fill
  std::vector<std::pair<int, std::u16string>> FNumberFormats;  // custom formats: number, code
  std::vector<TFont> FFonts;
  std::vector<TFill> FFills;
  std::vector<TBorder> FBorders;
  std::vector<TCellFormat> FCellFormats;
  std::vector<std::uint32_t> FIndexedColors;             // a custom palette, when given
};

// An attribute as a non-negative number below `ALimit`; `ADefault` when missing or out of range.
int XmlIndex(const char* AValue, int ALimit, int ADefault);
