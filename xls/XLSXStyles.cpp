#include "xls/XLSXStyles.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/utf.h"
#include "xls/XLSFormatStr.h"
#include "xls/XLSWorkbook.h"

namespace {

struct TNamed {
  const char* Name;
  int Value;
};

template <std::size_t N>
int ValueOf(const TNamed (&ATable)[N], const char* AText, int ADefault) {
  if (!AText) return ADefault;
  for (const TNamed& entry : ATable)
    if (std::strcmp(entry.Name, AText) == 0) return entry.Value;
  return ADefault;
}

constexpr TNamed kPatterns[] = {
    {"none", xlPatternNone},        {"solid", xlPatternSolid},
    {"mediumGray", xlPatternGray50}, {"darkGray", xlPatternGray75},
    {"lightGray", xlPatternGray25}, {"darkHorizontal", xlPatternHorizontal},
    {"darkVertical", xlPatternVertical}, {"darkDown", xlPatternDown},
    {"darkUp", xlPatternUp},        {"darkGrid", xlPatternCrissCross},
    {"darkTrellis", xlPatternChecker}, {"lightHorizontal", xlPatternLightHorizontal},
    {"lightVertical", xlPatternLightVertical}, {"lightDown", xlPatternLightDown},
    {"lightUp", xlPatternLightUp},  {"lightGrid", xlPatternGrid},
    {"lightTrellis", xlPatternSemiGray75}, {"gray125", xlPatternGray16},
    {"gray0625", xlPatternGray8},
};

constexpr TNamed kBorderStyles[] = {
    {"none", bsNone},         {"thin", bsThin},           {"medium", bsMedium},
    {"dashed", bsDashed},     {"dotted", bsDotted},       {"thick", bsThick},
    {"double", bsDouble},     {"hair", bsHair},           {"mediumDashed", bsMediumDashed},
    {"dashDot", bsDashDot},   {"mediumDashDot", bsMediumDashDot}, {"dashDotDot", bsDashDotDot},
    {"mediumDashDotDot", bsMediumDashDotDot}, {"slantDashDot", bsSlantedDashDot},
};

constexpr TNamed kBorderSides[] = {{"left", 0}, {"start", 0}, {"right", 1}, {"end", 1},
                                   {"top", 2}, {"bottom", 3}};

constexpr TNamed kHAlignments[] = {
    {"general", xlHAlignGeneral}, {"left", xlHAlignLeft},     {"center", xlHAlignCenter},
    {"right", xlHAlignRight},     {"fill", xlHAlignFill},     {"justify", xlHAlignJustify},
    {"centerContinuous", xlHAlignCenterAcrossSelection}, {"distributed", xlHAlignJustify},
};

constexpr TNamed kVAlignments[] = {{"top", xlVAlignTop},         {"center", xlVAlignCenter},
                                   {"bottom", xlVAlignBottom},   {"justify", xlVAlignJustify},
                                   {"distributed", xlVAlignJustify}};

constexpr TNamed kUnderlines[] = {{"single", xlFontUnderlineSingle},
                                  {"double", xlFontUnderlineDouble},
                                  {"singleAccounting", xlFontUnderlineSingleAcc},
                                  {"doubleAccounting", xlFontUnderlineDoubleAcc},
                                  {"none", xlFontUnderlineNone}};

// A Boolean font property: the element alone is true.
bool FontFlag(const TXmlAttributes& AAttributes) { return XmlBool(AAttributes.Find("val"), true); }

}  // namespace

int XmlIndex(const char* AValue, int ALimit, int ADefault) {
  if (!AValue) return ADefault;
  int value = 0;
  const char* end = AValue + std::strlen(AValue);
  const auto [stop, error] = std::from_chars(AValue, end, value);
  if (error != std::errc() || stop != end || value < 0 || value >= ALimit) return ADefault;
  return value;
}

void TXLSXStylesReader::StartElement(std::string_view AName, const TXmlAttributes& AAttributes) {
  // The sections are the children of the root; fonts, fills and borders of other sections
  // (differential formats) are not read.
  if (++FDepth == 2) {
    FSection = AName == "numFmts"   ? sNumberFormats
               : AName == "fonts"   ? sFonts
               : AName == "fills"   ? sFills
               : AName == "borders" ? sBorders
               : AName == "cellXfs" ? sCellFormats
               : AName == "colors"  ? sColors
                                    : sOther;
    return;
  }
  switch (FSection) {
    case sNumberFormats:
      if (AName == "numFmt") {
        const int number = XmlIndex(AAttributes.Find("numFmtId"), 0x10000, -1);
        const char* code = AAttributes.Find("formatCode");
        if (number >= 0 && code) FNumberFormats.emplace_back(number, Utf8ToUtf16(code));
      }
      break;
    case sFonts: StartFontChild(AName, AAttributes); break;
    case sFills:
      if (AName == "fill") {
        FFills.emplace_back();
      } else if (AName == "patternFill" && !FFills.empty()) {
        FInFillPattern = true;
        FFills.back().Pattern =
            static_cast<TXLPattern>(ValueOf(kPatterns, AAttributes.Find("patternType"), xlPatternNone));
      } else if (FInFillPattern && AName == "fgColor") {
        FFills.back().Foreground = ParseColor(AAttributes, FTheme);
      } else if (FInFillPattern && AName == "bgColor") {
        FFills.back().Background = ParseColor(AAttributes, FTheme);
      }
      break;
    case sBorders: StartBorderChild(AName, AAttributes); break;
    case sCellFormats: StartCellFormatChild(AName, AAttributes); break;
    case sColors:
      if (AName == "rgbColor") {
        std::uint32_t color = 0;
        const char* rgb = AAttributes.Find("rgb");
        FIndexedColors.push_back(rgb && ParseHexColor(rgb, color) ? color : 0);
      }
      break;
    default: break;
  }
}

void TXLSXStylesReader::StartFontChild(std::string_view AName, const TXmlAttributes& AAttributes) {
  if (AName == "font") {
    FFonts.emplace_back();
    return;
  }
  if (FFonts.empty()) return;
  TFont& font = FFonts.back();
  if (AName == "name") {
    if (const char* name = AAttributes.Find("val")) font.Name = Utf8ToUtf16(name);
  } else if (AName == "sz") {
    const char* size = AAttributes.Find("val");
    const double value = size ? std::strtod(size, nullptr) : 0;
    if (value >= 1 && value <= 409) font.Size = value;
  } else if (AName == "b") {
    font.Bold = FontFlag(AAttributes);
  } else if (AName == "i") {
    font.Italic = FontFlag(AAttributes);
  } else if (AName == "strike") {
    font.StrikeOut = FontFlag(AAttributes);
  } else if (AName == "u") {
    font.Underline = static_cast<TXLFontUnderlineStyle>(
        ValueOf(kUnderlines, AAttributes.Find("val"), xlFontUnderlineSingle));
  } else if (AName == "vertAlign") {
    const char* script = AAttributes.Find("val");
    font.Script = !script ? xlFontSSNone
                  : std::strcmp(script, "superscript") == 0 ? xlFontSSSuper
                  : std::strcmp(script, "subscript") == 0   ? xlFontSSSub
                                                            : xlFontSSNone;
  } else if (AName == "color") {
    font.Color = ParseColor(AAttributes, FTheme);
  }
}

void TXLSXStylesReader::StartBorderChild(std::string_view AName, const TXmlAttributes& AAttributes) {
  if (AName == "border") {
    FBorders.emplace_back();
    return;
  }
  if (FBorders.empty()) return;
  if (AName == "color") {
    if (FBorderSide >= 0) FBorders.back().Color[FBorderSide] = ParseColor(AAttributes, FTheme);
    return;
  }
  FBorderSide = ValueOf(kBorderSides, std::string(AName).c_str(), -1);
  if (FBorderSide >= 0)
    FBorders.back().Style[FBorderSide] =
        static_cast<TXLBorderStyle>(ValueOf(kBorderStyles, AAttributes.Find("style"), bsNone));
}

void TXLSXStylesReader::StartCellFormatChild(std::string_view AName, const TXmlAttributes& AAttributes) {
  constexpr int kMany = 1 << 30;
  if (AName == "xf") {
    TCellFormat& format = FCellFormats.emplace_back();
    format.NumberFormat = XmlIndex(AAttributes.Find("numFmtId"), 0x10000, 0);
    format.Font = XmlIndex(AAttributes.Find("fontId"), kMany, 0);
    format.Fill = XmlIndex(AAttributes.Find("fillId"), kMany, 0);
    format.Border = XmlIndex(AAttributes.Find("borderId"), kMany, 0);
    return;
  }
  if (FCellFormats.empty()) return;
  TXFData& xf = FCellFormats.back().XF;
  if (AName == "alignment") {
    xf.HAlign = static_cast<TCellHAlignment>(ValueOf(kHAlignments, AAttributes.Find("horizontal"), xlHAlignGeneral));
    xf.VAlign = static_cast<TCellVAlignment>(ValueOf(kVAlignments, AAttributes.Find("vertical"), xlVAlignBottom));
    xf.Wrap = XmlBool(AAttributes.Find("wrapText"), false);
    xf.Indent = static_cast<std::uint8_t>(std::min(XmlIndex(AAttributes.Find("indent"), 256, 0), 15));
    xf.Rotation = static_cast<std::uint8_t>(XmlIndex(AAttributes.Find("textRotation"), 256, 0));
  } else if (AName == "protection") {
    xf.Locked = XmlBool(AAttributes.Find("locked"), true);
  }
}

void TXLSXStylesReader::EndElement(std::string_view AName) {
  if (AName == "patternFill") FInFillPattern = false;
  if (FSection == sBorders && ValueOf(kBorderSides, std::string(AName).c_str(), -1) >= 0) FBorderSide = -1;
  if (FDepth-- == 2) FSection = sNone;
}

void TXLSXStylesReader::ApplyTo(TWorkbook& AWorkbook) {
  TFormatStrings& formats = *AWorkbook.FormatStrings();
  for (const auto& [number, code] : FNumberFormats)
    formats.AddFormatAndIfmt(code, static_cast<std::uint16_t>(number));
  TXLSXPalette palette;
  palette.SetIndexedColors(FIndexedColors);
  for (const TCellFormat& format : FCellFormats) {
    if (static_cast<std::size_t>(format.Font) < FFonts.size()) palette.Use(FFonts[format.Font].Color);
    if (static_cast<std::size_t>(format.Fill) < FFills.size()) {
      palette.Use(FFills[format.Fill].Foreground);
      palette.Use(FFills[format.Fill].Background);
    }
    if (static_cast<std::size_t>(format.Border) < FBorders.size())
      for (const TXLSXColor& color : FBorders[format.Border].Color) palette.Use(color);
  }
  palette.Apply();
  ApplyFonts(AWorkbook, palette);
  ApplyCellFormats(AWorkbook, palette);
}

void TXLSXStylesReader::ApplyFonts(TWorkbook& AWorkbook, const TXLSXPalette& APalette) {
  if (FFonts.empty()) return;
  TVirtualFontTable& fonts = AWorkbook.FontTable();
  fonts.Clear();
  for (const TFont& source : FFonts) {
    TFontData& font = fonts.ClearBuffer();
    SetFontNameOf(font, source.Name);
    font.Height = static_cast<std::uint16_t>(std::nearbyint(source.Size));
    font.Bold = source.Bold;
    font.Italic = source.Italic;
    font.StrikeOut = source.StrikeOut;
    font.Underline = source.Underline != xlFontUnderlineNone;
    font.UnderlineStyle = source.Underline;
    font.SSStyle = source.Script;
    font.ColorIndex = APalette.IndexOf(source.Color, xlColorIndexAutoText);
    fonts.SaveChangedBufferWithDuplicates();
  }
}

void TXLSXStylesReader::ApplyCellFormats(TWorkbook& AWorkbook, const TXLSXPalette& APalette) {
  if (FCellFormats.empty()) return;
  const TFormatStrings& formats = *AWorkbook.FormatStrings();
  TVirtualXFTable& xfs = AWorkbook.XFTable();
  const int font_count = AWorkbook.FontTable().Count();
  xfs.Clear();
  for (const TCellFormat& format : FCellFormats) {
    TXFData& xf = xfs.ClearBuffer();
    xf = format.XF;
    xf.FontIndex = static_cast<std::uint16_t>(format.Font < font_count ? format.Font : 0);
    const int position = formats.IndexOfIfmt(static_cast<std::uint16_t>(format.NumberFormat));
    xf.FormatIndex = static_cast<std::uint16_t>(position < 0 ? 0 : position);
    if (static_cast<std::size_t>(format.Fill) < FFills.size()) {
      const TFill& fill = FFills[format.Fill];
      xf.FillPattern = fill.Pattern;
      if (fill.Pattern != xlPatternNone) {
        // As in a BIFF XF: a solid fill's colour is the background the model shows.
        const TXLColorIndex pattern = APalette.IndexOf(fill.Foreground, xlColorIndexAutoText);
        const TXLColorIndex background = APalette.IndexOf(fill.Background, xlColorIndexAutoBackground);
        const bool solid = fill.Pattern == xlPatternSolid;
        xf.BgColor = solid ? pattern : background;
        xf.FgColor = solid ? background : pattern;
      }
    }
    if (static_cast<std::size_t>(format.Border) < FBorders.size()) {
      const TBorder& border = FBorders[format.Border];
      TXLBorderStyle* styles[] = {&xf.LeftBorderStyle, &xf.RightBorderStyle, &xf.TopBorderStyle,
                                  &xf.BottomBorderStyle};
      TXLColorIndex* colors[] = {&xf.LeftBorderColor, &xf.RightBorderColor, &xf.TopBorderColor,
                                 &xf.BottomBorderColor};
      for (int side = 0; side < 4; ++side) {
        *styles[side] = border.Style[side];
        if (border.Style[side] != bsNone)
          *colors[side] = APalette.IndexOf(border.Color[side], xlColorIndexAutoText);
      }
    }
    xfs.SaveChangedBufferWithDuplicates();
  }
  xfs.UpdateDefaultIndex();
}
