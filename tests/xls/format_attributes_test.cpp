#include <gtest/gtest.h>

#include <functional>

#include "xls/XLSWorkbook.h"

namespace {

class Attributes : public ::testing::Test {
 protected:
  void SetUp() override { ResetPalette(); }
  TWorkbook book_{1};
  TSheet& sheet_ = *book_.Sheets().Item(0);
  TCells& cells_ = sheet_.Cells();
};

TEST_F(Attributes, ATransientCellReportsTheDefaultFormat) {
  TCell* cell = cells_.Item(4, 4);
  EXPECT_EQ(cell->VAlign(), xlVAlignBottom);
  EXPECT_EQ(cell->HAlign(), xlHAlignGeneral);
  EXPECT_EQ(cell->FillPatternBGColorIndex(), 58);
  EXPECT_EQ(cell->FillPatternFGColorIndex(), 57);
  EXPECT_EQ(cell->FillPatternBGColorRGB(), 0u);
  EXPECT_EQ(cell->FillPattern(), xlPatternNone);
  EXPECT_EQ(cell->FontName(), u"Arial");
  EXPECT_EQ(cell->FontHeight(), 10);
  EXPECT_EQ(cell->FontColorIndex(), 57);
  EXPECT_EQ(cell->FontColorRGB(), 0u);
  EXPECT_TRUE(cell->Locked());
  EXPECT_FALSE(cell->Merged() || cell->Wrap() || cell->FontBold() || cell->FontUnderline());
  EXPECT_EQ(cell->FormatStringIndex(), 0);
  EXPECT_EQ(cell->FontTableIndex(), 0);
  EXPECT_EQ(cell->BorderColorIndex(xlBorderTop), 58);
  EXPECT_EQ(cell->BorderStyle(xlBorderBottom), bsNone);
  // Sides outside left..bottom.
  EXPECT_EQ(cell->BorderColorIndex(static_cast<TCellBorderIndex>(7)), 58);
  EXPECT_EQ(cell->BorderStyle(static_cast<TCellBorderIndex>(7)), bsNone);
  EXPECT_EQ(cell->BorderColorRGB(static_cast<TCellBorderIndex>(7)), PaletteColor(58));
}

TEST_F(Attributes, EachSetterStoresOnlyWhatIsWorthKeeping) {
  using Set = std::function<void(TCell&)>;
  const struct {
    const char* what;
    Set set;
    bool stored;
    bool changes_format;
  } cases[] = {
      {"background 58", [](TCell& c) { c.SetFillPatternBGColorIndex(58); }, false, false},
      {"background 6", [](TCell& c) { c.SetFillPatternBGColorIndex(6); }, true, true},
      {"pattern colour 57", [](TCell& c) { c.SetFillPatternFGColorIndex(57); }, false, false},
      {"pattern colour 3", [](TCell& c) { c.SetFillPatternFGColorIndex(3); }, true, true},
      {"pattern none", [](TCell& c) { c.SetFillPattern(xlPatternNone); }, false, false},
      {"pattern solid", [](TCell& c) { c.SetFillPattern(xlPatternSolid); }, true, true},
      {"align general", [](TCell& c) { c.SetHAlign(xlHAlignGeneral); }, false, false},
      {"align right", [](TCell& c) { c.SetHAlign(xlHAlignRight); }, true, true},
      {"valign bottom (the default)", [](TCell& c) { c.SetVAlign(xlVAlignBottom); }, false, false},
      {"valign top: changed, not stored", [](TCell& c) { c.SetVAlign(xlVAlignTop); }, false, true},
      {"valign center", [](TCell& c) { c.SetVAlign(xlVAlignCenter); }, true, true},
      {"merged false", [](TCell& c) { c.SetMerged(false); }, false, false},
      {"merged", [](TCell& c) { c.SetMerged(true); }, true, true},
      {"wrap", [](TCell& c) { c.SetWrap(true); }, true, true},
      {"rotation 0", [](TCell& c) { c.SetRotation(0); }, false, false},
      {"rotation 90", [](TCell& c) { c.SetRotation(90); }, true, true},
      {"indent 0", [](TCell& c) { c.SetIndent(0); }, false, false},
      {"indent 2", [](TCell& c) { c.SetIndent(2); }, true, true},
      {"locked", [](TCell& c) { c.SetLocked(true); }, false, false},
      {"unlocked", [](TCell& c) { c.SetLocked(false); }, true, true},
      {"format 0", [](TCell& c) { c.SetFormatStringIndex(0); }, false, false},
      {"format 4", [](TCell& c) { c.SetFormatStringIndex(4); }, true, true},
      {"border style unchanged still stores", [](TCell& c) { c.SetBorderStyle(xlBorderLeft, bsNone); }, true, false},
      {"border colour unchanged still stores", [](TCell& c) { c.SetBorderColorIndex(xlBorderTop, 58); }, true, false},
      {"bold false", [](TCell& c) { c.SetFontBold(false); }, false, false},
      {"bold", [](TCell& c) { c.SetFontBold(true); }, true, true},
      {"font name Arial", [](TCell& c) { c.SetFontName(u"Arial"); }, false, false},
      {"font name", [](TCell& c) { c.SetFontName(u"Times New Roman"); }, true, true},
      {"font height 10", [](TCell& c) { c.SetFontHeight(10); }, false, false},
      {"font height 12", [](TCell& c) { c.SetFontHeight(12); }, true, true},
      {"font colour RGB black still stores", [](TCell& c) { c.SetFontColorRGB(0); }, true, true},
      {"xf index unchanged", [](TCell& c) { c.SetXFTableIndex(0); }, false, false},
      {"font table index 0", [](TCell& c) { c.SetFontTableIndex(0); }, false, false},
  };
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TCell* cell = cells_.Item(row++, 0);
    c.set(*cell);
    EXPECT_EQ(cell->Stored(), c.stored);
    EXPECT_EQ(cell->XFTableIndex() != book_.XFTable().DefaultIndex(), c.changes_format);
  }
}

TEST_F(Attributes, ValuesOfTheSetters) {
  TCell* cell = cells_.Item(0, 0);
  cell->SetIndent(20);
  EXPECT_EQ(cell->Indent(), 15);
  cell->SetBorderStyle(xlBorderAll, bsThin);
  for (TCellBorderIndex side : {xlBorderLeft, xlBorderRight, xlBorderTop, xlBorderBottom})
    EXPECT_EQ(cell->BorderStyle(side), bsThin);
  cell->SetBorderColorIndex(xlBorderAll, 12);
  cell->SetBorderColorIndex(xlBorderRight, 3);
  EXPECT_EQ(cell->BorderColorIndex(xlBorderLeft), 12);
  EXPECT_EQ(cell->BorderColorIndex(xlBorderRight), 3);
  EXPECT_EQ(cell->BorderColorRGB(xlBorderRight), RGBColor(255, 0, 0));
  cell->SetFillPatternBGColorRGB(RGBColor(255, 0, 0));
  EXPECT_EQ(cell->FillPatternBGColorIndex(), 3);
  cell->SetFillPatternFGColorRGB(RGBColor(0, 0, 250));
  EXPECT_EQ(cell->FillPatternFGColorIndex(), 5);
  cell->SetFontColorRGB(RGBColor(0, 255, 0));
  EXPECT_EQ(cell->FontColorIndex(), 4);
  EXPECT_EQ(cell->FontColorRGB(), RGBColor(0, 255, 0));
  cell->SetFontName(u"Times New Roman");
  cell->SetFontName(u"Tahoma");  // a shorter name leaves no trace of the longer one
  EXPECT_EQ(cell->FontName(), u"Tahoma");
  cell->SetFontUnderlineStyle(xlFontUnderlineDouble);
  cell->SetFontSSStyle(xlFontSSSuper);
  cell->SetFontItalic(true);
  cell->SetFontStrikeOut(true);
  EXPECT_EQ(cell->FontUnderlineStyle(), xlFontUnderlineDouble);
  EXPECT_EQ(cell->FontSSStyle(), xlFontSSSuper);
  EXPECT_TRUE(cell->FontItalic() && cell->FontStrikeOut());
  EXPECT_NE(cell->FontTableIndex(), 0);
}

TEST_F(Attributes, SharedRecordsAreCopiedOnWriteAndReused) {
  TCell* a = cells_.Item(0, 0);
  a->SetWrap(true);
  TCell* b = cells_.Item(0, 1);
  b->SetXFTableIndex(a->XFTableIndex());
  const int shared = a->XFTableIndex();
  a->SetFontBold(true);
  EXPECT_FALSE(b->FontBold());  // the shared record is not touched
  b->SetFontBold(true);
  EXPECT_EQ(a->XFTableIndex(), b->XFTableIndex());
  EXPECT_EQ(a->FontTableIndex(), b->FontTableIndex());
  const int xf_count = book_.XFTable().Count();
  const int font_count = book_.FontTable().Count();
  a->SetFontBold(false);  // back to the first records holding the earlier font and XF
  EXPECT_EQ(a->FontTableIndex(), 0);
  EXPECT_EQ(a->XFTableIndex(), shared);
  EXPECT_EQ(book_.XFTable().Count(), xf_count);
  EXPECT_EQ(book_.FontTable().Count(), font_count);
  EXPECT_TRUE(b->FontBold());
}

TEST_F(Attributes, RowsAndColumnsPassChangesToTheirStoredCells) {
  for (int column : {0, 3}) cells_.Item(4, column)->SetValue(1.0);
  cells_.Item(5, 3)->SetValue(2.0);
  TRow* row = sheet_.Rows().Item(4);
  row->SetFontBold(true);
  EXPECT_TRUE(row->FontBold());
  EXPECT_TRUE(cells_.Item(4, 0)->FontBold());
  EXPECT_TRUE(cells_.Item(4, 3)->FontBold());
  EXPECT_FALSE(cells_.Item(5, 3)->FontBold());
  EXPECT_TRUE(cells_.Item(4, 9)->FontBold());  // created later: takes the row's format
  EXPECT_FALSE(cells_.FindCell(4, 9));

  row->SetMerged(true);  // the row only
  row->SetLocked(false);
  EXPECT_FALSE(cells_.Item(4, 0)->Merged());
  EXPECT_TRUE(cells_.Item(4, 0)->Locked());

  TColumn* column = sheet_.Columns().Item(3);
  column->SetBorderStyle(xlBorderAll, bsDouble);
  column->SetFillPatternBGColorRGB(RGBColor(255, 255, 0));
  EXPECT_EQ(cells_.Item(4, 3)->BorderStyle(xlBorderTop), bsDouble);
  EXPECT_EQ(cells_.Item(5, 3)->FillPatternBGColorIndex(), 6);
  EXPECT_EQ(cells_.Item(4, 0)->BorderStyle(xlBorderTop), bsNone);
  EXPECT_TRUE(cells_.Item(4, 3)->FontBold());  // the row's change stays
}

}  // namespace
