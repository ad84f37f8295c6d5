#include <gtest/gtest.h>

#include <cmath>

#include "platform/utf.h"
#include "xls/BiffStream.h"
#include "xls/XLSFont.h"
#include "xls/XLSFormatXF.h"
#include "xls/XLSMetrics.h"
#include "xls/XLSPalette.h"
#include "xls_test_files.h"

namespace {

TEasyStream Data(const std::string& bytes) {
  TEasyStream s;
  s.WriteBytes(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  s.SetPosition(0);
  return s;
}

// A BIFF8 FONT record's data with an 8-bit name.
std::string FontRecord(int twips, int flags, int color, int weight, int escapement, int underline,
                       const std::string& name) {
  std::string r(16, '\0');
  PutU16(r, 0, twips);
  PutU16(r, 2, flags);
  PutU16(r, 4, color);
  PutU16(r, 6, weight);
  PutU16(r, 8, escapement);
  r[10] = static_cast<char>(underline);
  r[14] = static_cast<char>(name.size());
  return r + name;
}

TFontData DecodeFont(const std::string& record) {
  TVirtualFontTable table;
  TEasyStream data = Data(record);
  DecodeFontRecord(data, table.ClearBuffer());
  return table.Buffer();
}

TEST(VirtualDataTable, PositionsAndSearchByBytes) {
  TVirtualDataTable t;
  EXPECT_EQ(t.AddItem("a"), 0);
  EXPECT_EQ(t.AddItem("b"), 1);
  EXPECT_EQ(t.AddItem("a"), 0);
  EXPECT_EQ(t.AddItemWithDuplicates("a"), 2);
  EXPECT_EQ(t.FindItem("a"), 0);  // the first position holding the bytes
  EXPECT_EQ(t.FindItem("c"), -1);
  EXPECT_EQ(t.ChangeItem("b", "b"), 1);
  EXPECT_EQ(t.ChangeItem("b", "a"), 0);
  EXPECT_EQ(t.ChangeItem("b", "c"), 3);
  EXPECT_EQ(t.Count(), 4);
  EXPECT_EQ(t.Item(3), "c");
  try {
    t.Item(5);
    ADD_FAILURE();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (5)");
  }
  EXPECT_THROW(t.Item(-1), EListError);
  t.Clear();
  EXPECT_EQ(t.Count(), 0);
  EXPECT_EQ(t.FindItem("a"), -1);
}

TEST(FontTable, StartsWithTheDefaultFont) {
  TVirtualFontTable table;
  ASSERT_EQ(table.Count(), 1);
  const TFontData& f = table.LoadFontToBuffer(0);
  EXPECT_EQ(FontNameOf(f), u"Arial");
  EXPECT_EQ(int{f.Height}, 10);
  EXPECT_EQ(f.ColorIndex, 57);
  EXPECT_FALSE(f.Bold || f.Italic || f.Underline || f.StrikeOut);
  EXPECT_EQ(int{f.Name[5]}, 0);
  EXPECT_THROW(table.LoadFontToBuffer(1), EListError);
}

TEST(FontTable, DecodesFontRecords) {
  const struct {
    std::string record;
    bool bold, italic, strike, underline;
    int style, height, color, ss;
  } cases[] = {
      {FontRecord(200, 0, 0x7FFF, 400, 0, 0, "Arial"), false, false, false, false, 0, 10, 1, 0},
      {FontRecord(210, 0x02, 10, 700, 1, 1, "Arial"), true, true, false, true, 1, 10, 3, 1},  // 10.5 -> 10
      {FontRecord(230, 0x08, 8, 600, 2, 2, "Arial"), false, false, true, true, 2, 12, 1, 2},  // 11.5 -> 12
      {FontRecord(240, 0, 64, 800, 0, 0x21, "Arial"), false, false, false, true, 3, 12, 57, 0},
      {FontRecord(240, 0, 65, 700, 0, 0x22, "Arial"), true, false, false, true, 4, 12, 58, 0},
      {FontRecord(240, 0, 66, 700, 0, 0x05, "Arial"), true, false, false, true, 0, 12, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.height);
    const TFontData f = DecodeFont(c.record);
    EXPECT_EQ(f.Bold, c.bold);
    EXPECT_EQ(f.Italic, c.italic);
    EXPECT_EQ(f.StrikeOut, c.strike);
    EXPECT_EQ(f.Underline, c.underline);
    EXPECT_EQ(f.UnderlineStyle, c.style);
    EXPECT_EQ(int{f.Height}, c.height);
    EXPECT_EQ(f.ColorIndex, c.color);
    EXPECT_EQ(f.SSStyle, c.ss);
  }
  // 8-bit names are widened byte by byte; 16-bit names are taken as they are.
  EXPECT_EQ(FontNameOf(DecodeFont(FontRecord(200, 0, 8, 400, 0, 0, "Caf\xE9"))), u"Caf\u00E9");
  std::string wide = FontRecord(200, 0, 8, 400, 0, 0, "");
  wide[14] = 2;
  wide[15] = 1;
  wide += std::string("\x22\x04\x30\x04", 4);
  const TFontData w = DecodeFont(wide);
  EXPECT_EQ(FontNameOf(w), u"Та");
  EXPECT_EQ(int{w.Name[2]}, 0);
  // A name longer than the field is cut at 100 characters; a short record reads zeros.
  EXPECT_EQ(FontNameOf(DecodeFont(FontRecord(200, 0, 8, 400, 0, 0, std::string(150, 'x')))).size(), 100u);
  EXPECT_EQ(int{DecodeFont(std::string("\xC8\x00", 2)).Height}, 10);
}

TEST(FontTable, DuplicatesKeepFilePositionsAndSearchFindsTheFirst) {
  TVirtualFontTable table;
  table.Clear();
  for (int i = 0; i < 2; ++i) {
    TEasyStream data = Data(FontRecord(200, 0, 8, 700, 0, 0, "Arial"));
    DecodeFontRecord(data, table.ClearBuffer());
    EXPECT_EQ(table.SaveChangedBufferWithDuplicates(), i);
  }
  EXPECT_EQ(table.Count(), 2);
  EXPECT_EQ(table.DataTable().FindItem(table.DataTable().Item(1)), 0);
  table.LoadFontToBuffer(1);
  EXPECT_EQ(table.SaveChangedBuffer(), 0);  // unchanged: the first record with these bytes
}

TEST(FontTable, FirstFontOfACorpusWorkbook) {
  TCFile file(cfCreateFromFile, Utf8ToUtf16(kCorpus + "pricelist_xlwt.xls"));
  TBIFFStream biff(static_cast<TCFileStream*>(file.Root().FindItem("Workbook")));
  biff.Reset();
  TVirtualFontTable table;
  table.Clear();
  while (biff.ReadBIFFRecord())
    if (biff.BIFFRecord().RecNum == 0x0031) {
      DecodeFontRecord(biff.BIFFRecord().DataStream(), table.ClearBuffer());
      table.SaveChangedBufferWithDuplicates();
    }
  ASSERT_GE(table.Count(), 5);
  const TFontData& f = table.LoadFontToBuffer(0);
  EXPECT_EQ(FontNameOf(f), u"Arial");
  EXPECT_EQ(int{f.Height}, 10);
  bool some_bold = false;
  for (int i = 0; i < table.Count(); ++i) some_bold |= table.LoadFontToBuffer(i).Bold;
  EXPECT_TRUE(some_bold);  // the header row
}

std::string XFRecord(int font, int format, int protection, int alignment, int indent, int borders,
                     int side_colors, std::uint32_t line_colors, int fill_colors) {
  std::string r(20, '\0');
  PutU16(r, 0, font);
  PutU16(r, 2, format);
  PutU16(r, 4, protection);
  PutU16(r, 6, alignment);
  PutU16(r, 8, indent);
  PutU16(r, 10, borders);
  PutU16(r, 12, side_colors);
  PutU32(r, 14, line_colors);
  PutU16(r, 18, fill_colors);
  return r;
}

TXFData DecodeXF(const std::string& record) {
  TVirtualXFTable table;
  TEasyStream data = Data(record);
  DecodeXFRecord(data, table.ClearBuffer());
  return table.Buffer();
}

TEST(XFTable, DecodesXFRecords) {
  // Font numbers skip 4: numbers above 3 are lowered by one.
  for (const auto& [number, position] : {std::pair{0, 0}, {3, 3}, {4, 3}, {5, 4}, {9, 8}})
    EXPECT_EQ(int{DecodeXF(XFRecord(number, 0, 0, 0, 0, 0, 0, 0, 0)).FontIndex}, position) << number;

  // Solid yellow: the pattern colour 13 is the painted colour, BgColor 6.
  const TXFData solid = DecodeXF(XFRecord(0, 0, 1, 0, 0, 0, 0, 1u << 26, 13 | (64 << 7)));
  EXPECT_EQ(solid.FillPattern, xlPatternSolid);
  EXPECT_EQ(solid.BgColor, 6);
  EXPECT_EQ(solid.FgColor, 57);
  const TXFData gray = DecodeXF(XFRecord(0, 0, 1, 0, 0, 0, 0, 2u << 26, 13 | (10 << 7)));
  EXPECT_EQ(gray.FgColor, 6);
  EXPECT_EQ(gray.BgColor, 3);

  const TXFData xf = DecodeXF(XFRecord(
      6, 164, 0x0004, 0x2D00 | 0x08 | (1 << 4) | 2, 0x13, 0x1 | (0x2 << 4) | (0x6 << 8) | (0xD << 12),
      10 | (12 << 7), 8 | (64 << 7) | (0x2Au << 14), 0));
  EXPECT_EQ(int{xf.FontIndex}, 5);
  EXPECT_EQ(int{xf.FormatIndex}, 164);
  EXPECT_FALSE(xf.Locked);
  EXPECT_TRUE(xf.StyleXF);
  EXPECT_EQ(xf.HAlign, xlHAlignCenter);
  EXPECT_TRUE(xf.Wrap);
  EXPECT_EQ(xf.VAlign, xlVAlignCenter);
  EXPECT_EQ(xf.Rotation, 0x2D);
  EXPECT_EQ(xf.Indent, 3);
  EXPECT_EQ(xf.LeftBorderStyle, bsThin);
  EXPECT_EQ(xf.RightBorderStyle, bsMedium);
  EXPECT_EQ(xf.TopBorderStyle, bsDouble);
  EXPECT_EQ(xf.BottomBorderStyle, bsSlantedDashDot);
  EXPECT_EQ(xf.LeftBorderColor, 3);
  EXPECT_EQ(xf.RightBorderColor, 5);
  EXPECT_EQ(xf.TopBorderColor, 1);
  EXPECT_EQ(xf.BottomBorderColor, 57);
  EXPECT_EQ(xf.FillPattern, xlPatternNone);
  EXPECT_FALSE(xf.Merge);
}

TEST(XFTable, CopyOnWriteReusesRecordsAndTheDefaultIndexIsFoundAgain) {
  TVirtualXFTable table;
  ASSERT_EQ(table.Count(), 1);
  EXPECT_EQ(table.DefaultIndex(), 0);
  const TXFData& d = table.LoadXFToBuffer(0);
  EXPECT_EQ(d.VAlign, xlVAlignBottom);
  EXPECT_EQ(d.BgColor, 58);
  EXPECT_EQ(d.TopBorderColor, 58);
  EXPECT_TRUE(d.Locked);

  table.LoadXFToBuffer(0).Wrap = true;
  const int wrapped = table.SaveChangedBuffer();
  EXPECT_EQ(wrapped, 1);
  table.LoadXFToBuffer(wrapped).Wrap = false;
  EXPECT_EQ(table.SaveChangedBuffer(), 0);  // back to the earlier record
  table.LoadXFToBuffer(0).Wrap = true;
  EXPECT_EQ(table.SaveChangedBuffer(), 1);  // an identical record is not added twice
  EXPECT_EQ(table.Count(), 2);

  // A file whose XFs all differ from the default: the default is appended.
  table.Clear();
  for (int i = 0; i < 3; ++i) {
    TEasyStream data = Data(XFRecord(i, 0, 1, 0x20, 0, 0, 0, 0, 0));
    DecodeXFRecord(data, table.ClearBuffer());
    table.SaveChangedBufferWithDuplicates();
  }
  table.UpdateDefaultIndex();
  EXPECT_EQ(table.Count(), 4);
  EXPECT_EQ(table.DefaultIndex(), 3);
  // One that holds the default keeps it where it is.
  table.Clear();
  for (int font : {1, 0}) {
    table.ClearBuffer().FontIndex = static_cast<std::uint16_t>(font);
    table.SaveChangedBufferWithDuplicates();
  }
  table.UpdateDefaultIndex();
  EXPECT_EQ(table.DefaultIndex(), 1);
  EXPECT_EQ(table.Count(), 2);
}

TEST(Palette, DefaultsMappingAndNearestColour) {
  ResetPalette();
  EXPECT_EQ(PaletteColor(3), 255u);  // file colour 10, pure red
  EXPECT_EQ(PaletteColor(2), 0xFFFFFFu);
  EXPECT_EQ(PaletteColor(6), RGBColor(255, 255, 0));
  EXPECT_EQ(PaletteColor(56), RGBColor(0x33, 0x33, 0x33));
  EXPECT_EQ(PaletteColor(57), 0u);
  EXPECT_EQ(PaletteColor(58), 0u);
  EXPECT_EQ(PaletteColor(0), 0u);  // outside 1..58: black, never a read past the table
  EXPECT_EQ(PaletteColor(200), 0u);
  SetPaletteColor(59, 0xFFFFFF);
  EXPECT_EQ(NearestColorIndex(RGBColor(255, 0, 0)), 3);
  EXPECT_EQ(NearestColorIndex(RGBColor(250, 5, 3)), 3);
  EXPECT_EQ(NearestColorIndex(RGBColor(0, 0, 0)), 1);  // the first of the equal blacks
  EXPECT_EQ(NearestColorIndex(RGBColor(0, 0, 128)), 11);  // before the second navy at 25
  for (const auto& [biff, index] : {std::pair{0, 1}, {7, 1}, {8, 1}, {10, 3}, {63, 56}, {64, 57},
                                    {65, 58}, {66, 1}, {0x7FFF, 1}})
    EXPECT_EQ(BiffColorToColorIndex(biff), index) << biff;
  EXPECT_EQ(ColorIndexToBiffColor(3), 10);
  SetPaletteColor(3, RGBColor(1, 2, 3));  // a PALETTE record: stays until reset
  EXPECT_EQ(PaletteColor(3), RGBColor(1, 2, 3));
  ResetPalette();
}

TEST(DisplayMetrics, SetsAndConversions) {
  SetScreenPixelsPerInch(96);
  EXPECT_EQ(DisplayMetrics().DefaultColumnWidthPx, 64);
  EXPECT_EQ(DisplayMetrics().DefaultRowHeightPx, 17);
  EXPECT_DOUBLE_EQ(PixelsToColumnWidth(64), 59.0 / 7);
  EXPECT_DOUBLE_EQ(PixelsToColumnWidth(11), 11 * 0.0834);
  EXPECT_DOUBLE_EQ(ColumnWidthToPixels(2), 19);
  EXPECT_DOUBLE_EQ(ColumnWidthToPixels(0.5), 0.5 / 0.0834);
  EXPECT_DOUBLE_EQ(FileColumnWidthToColumnWidth(2560), 65.0 / 7);  // 70 pixels
  EXPECT_EQ(ColumnWidthToFileColumnWidth(2), 695);                 // 19 / 7 * 256 = 694.86
  EXPECT_DOUBLE_EQ(PixelsToPoints(20), 15);
  EXPECT_DOUBLE_EQ(PointsToPixels(15), 20);
  SetScreenPixelsPerInch(120);
  EXPECT_EQ(DisplayMetrics().DefaultColumnWidthPx, 80);
  EXPECT_EQ(DisplayMetrics().DefaultRowHeightPx, 22);
  EXPECT_EQ(DisplayMetrics().MaxDigitWidthPx, 9);
  EXPECT_DOUBLE_EQ(PixelsToPoints(20), 12);
  EXPECT_DOUBLE_EQ(ColumnWidthToPixels(2), 25);
  SetScreenPixelsPerInch(96);
}

}  // namespace
