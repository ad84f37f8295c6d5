// The worksheet records read from small record fixtures: cell values with the format and date
// rule, blanks, Booleans and errors, formulas with their string results, rows, columns, merged
// areas, hyperlinks, sheet settings and validations.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "biff_builder.h"
#include "xls/ListErrors.h"
#include "xls/XLSError.h"
#include "xls/XLSMetrics.h"
#include "xls/XLSReader.h"

namespace {

// Fonts 0 to 3 and the bold font numbered 5; XF 0 plain, 1 date format 14, 2 bold only, 3 thin
// bottom border, 4 a custom date format, 5 "0.00", 6 to 20 wrapped, 21 "0.00".
std::string SheetGlobals() {
  std::string g;
  for (int i = 0; i < 5; ++i) g += FontRec(i == 4);
  g += FormatRec(164, u"dd/mm/yyyy hh:mm");
  g += XfRec({}) + XfRec({.format = 14}) + XfRec({.font = 5}) + XfRec({.borders = 0x1000}) +
       XfRec({.format = 164}) + XfRec({.format = 2});
  for (int i = 6; i <= 20; ++i) g += XfRec({.wrap = true});
  g += XfRec({.format = 2});
  return g;
}

struct Opened {
  TXLSFile file;
  TSheet& Sheet() { return *file.Workbook().Sheets().Item(0); }
  TCell* Cell(int row, int col) { return Sheet().Cells().FindCell(row, col); }
};

// Opens one sheet of `records` after the standard globals.
void Open(Opened& o, const std::string& records, const std::string& extra_globals = "") {
  OpenWorkbook(o.file, OneSheet(records, SheetGlobals() + extra_globals));
}

TEST(ReaderSheet, NumbersWithDateFormatsBecomeDates) {
  struct Case {
    double value;
    unsigned xf;
    bool date;
    double expected;
  } cases[] = {
      {45000, 1, true, 45000},  // 2023-03-15
      {59, 1, true, 60},        // 1900-02-28
      {60, 1, true, 61},        // the file format's 1900-02-29 becomes 1900-03-01
      {61, 1, true, 61},
      {1.25, 1, true, 2.25},
      {45000.5, 4, true, 45000.5},  // custom text classified as a date
      {45000, 0, false, 45000},
      {45000, 5, false, 45000},
  };
  std::string records;
  for (unsigned i = 0; i < std::size(cases); ++i) records += NumberRec(i, 0, cases[i].xf, cases[i].value);
  records += LabelRec(20, 0, 1, u"not a date");
  Opened o;
  Open(o, records);
  for (unsigned i = 0; i < std::size(cases); ++i) {
    TCell* cell = o.Cell(i, 0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->XFTableIndex(), static_cast<int>(cases[i].xf));
    if (cases[i].date) {
      ASSERT_TRUE(std::holds_alternative<TCellDate>(cell->Value())) << i;
      EXPECT_EQ(std::get<TCellDate>(cell->Value()).Value, cases[i].expected) << i;
    } else {
      ASSERT_TRUE(std::holds_alternative<double>(cell->Value())) << i;
      EXPECT_EQ(std::get<double>(cell->Value()), cases[i].expected) << i;
    }
  }
  EXPECT_EQ(std::get<std::u16string>(o.Cell(20, 0)->Value()), u"not a date");
}

TEST(ReaderSheet, RKAndMulRKValues) {
  const std::string records =
      Rec(0x027E, Data().W(0).W(0).W(0).L((123u << 2) | 2)) +             // integer
      Rec(0x027E, Data().W(0).W(1).W(0).L((12345u << 2) | 3)) +           // integer / 100
      Rec(0x027E, Data().W(0).W(2).W(0).L(0x3FF80000u)) +                 // double 1.5
      Rec(0x027E, Data().W(0).W(3).W(0).L(0x3FF80001u)) +                 // 1.5 / 100
      Rec(0x027E, Data().W(0).W(4).W(0).L(static_cast<std::uint32_t>(-7 * 4) | 2)) +
      Rec(0x00BD, Data().W(1).W(2).W(0).L((1u << 2) | 2).W(1).L((45000u << 2) | 2).W(5).L((3u << 2) | 2).W(4));
  Opened o;
  Open(o, records);
  EXPECT_EQ(std::get<double>(o.Cell(0, 0)->Value()), 123);
  EXPECT_EQ(std::get<double>(o.Cell(0, 1)->Value()), 123.45);
  EXPECT_EQ(std::get<double>(o.Cell(0, 2)->Value()), 1.5);
  EXPECT_EQ(std::get<double>(o.Cell(0, 3)->Value()), 0.015);
  EXPECT_EQ(std::get<double>(o.Cell(0, 4)->Value()), -7);
  EXPECT_EQ(std::get<double>(o.Cell(1, 2)->Value()), 1);
  EXPECT_EQ(std::get<TCellDate>(o.Cell(1, 3)->Value()).Value, 45000);  // its own XF: a date
  EXPECT_EQ(o.Cell(1, 4)->XFTableIndex(), 5);
  EXPECT_EQ(o.Cell(1, 5), nullptr);  // the last-column field is no value
}

TEST(ReaderSheet, BlankCellsOnlyWithAFormatWorthKeeping) {
  const std::string records = BlankRec(0, 0, 2) + BlankRec(1, 0, 3) + BlankRec(2, 0, 0) +
                              Rec(0x00BE, Data().W(3).W(0).W(2).W(3).W(99).W(6).W(3));
  Opened o;
  Open(o, records);
  EXPECT_EQ(o.Cell(0, 0), nullptr);  // a bold font alone is plain
  ASSERT_NE(o.Cell(1, 0), nullptr);  // a thin bottom border is not
  EXPECT_EQ(o.Cell(1, 0)->BorderStyle(xlBorderBottom), bsThin);
  EXPECT_TRUE(IsEmptyValue(o.Cell(1, 0)->Value()));
  EXPECT_EQ(o.Cell(2, 0), nullptr);
  EXPECT_EQ(o.Cell(3, 0), nullptr);
  EXPECT_NE(o.Cell(3, 1), nullptr);
  EXPECT_EQ(o.Cell(3, 2), nullptr);  // XF 99 is beyond the table
  EXPECT_NE(o.Cell(3, 3), nullptr);
  EXPECT_EQ(o.Cell(3, 4), nullptr);  // the last-column field
  EXPECT_EQ(o.Sheet().Cells().Count(), 3);

  Opened off;
  off.file.SetReadEmptyCells(false);
  Open(off, records);
  EXPECT_EQ(off.Sheet().Cells().Count(), 0);
}

TEST(ReaderSheet, BlankWithAnXFBeyondTheTableFails) {
  Opened o;
  EXPECT_THROW(Open(o, BlankRec(0, 0, 500)), EListError);
}

TEST(ReaderSheet, BooleansAndErrors) {
  Opened o;
  Open(o, BoolErrRec(0, 0, 0, 1, false) + BoolErrRec(1, 0, 0, 0, false) + BoolErrRec(2, 0, 21, 0x07, true) +
              BoolErrRec(3, 0, 0, 0, true));
  EXPECT_EQ(std::get<bool>(o.Cell(0, 0)->Value()), true);
  EXPECT_EQ(std::get<bool>(o.Cell(1, 0)->Value()), false);
  EXPECT_EQ(o.Cell(2, 0), nullptr);  // #DIV/0!
  EXPECT_EQ(o.Cell(3, 0), nullptr);  // #NULL!
}

TEST(ReaderSheet, FormulaResults) {
  const std::string string_result =
      FormulaRec(3, 0, 5, SpecialResult(0)) + Rec(0x0207, Data().W(5).B(0).Raw("abc")) +
      Rec(0x003C, Data().B(1).Wide(u"Жж"));
  const std::string records =
      FormulaRec(0, 0, 5, Data().D(2.5)) + FormulaRec(1, 0, 0, SpecialResult(1, 1)) +
      FormulaRec(2, 0, 21, SpecialResult(2, 7)) + FormulaRec(2, 1, 0, SpecialResult(2, 7)) +
      FormulaRec(2, 2, 0, SpecialResult(3)) + string_result +
      Rec(0x0207, Data().W(1).B(0).Raw("x")) +  // no formula waiting: ignored
      FormulaRec(4, 0, 1, Data().D(45000));
  for (bool read_formulas : {true, false}) {
    Opened o;
    o.file.SetReadFormulas(read_formulas);
    Open(o, records);
    EXPECT_EQ(std::get<double>(o.Cell(0, 0)->Value()), 2.5);
    EXPECT_EQ(std::get<bool>(o.Cell(1, 0)->Value()), true);
    ASSERT_NE(o.Cell(2, 0), nullptr);  // an error result with a format keeps the format
    EXPECT_TRUE(IsEmptyValue(o.Cell(2, 0)->Value()));
    EXPECT_EQ(o.Cell(2, 0)->XFTableIndex(), 21);
    EXPECT_EQ(o.Cell(2, 1), nullptr);  // and without one there is no cell
    EXPECT_EQ(o.Cell(2, 2), nullptr);
    EXPECT_EQ(std::get<std::u16string>(o.Cell(3, 0)->Value()), u"abcЖж");
    EXPECT_EQ(std::get<TCellDate>(o.Cell(4, 0)->Value()).Value, 45000);
    for (int i = 0; i < o.Sheet().Cells().Count(); ++i)
      EXPECT_EQ(o.Sheet().Cells().ItemByIndex(i)->Formula(), "");  // no formula texts are made
    EXPECT_EQ(o.Sheet().Cells().Count(), 5);
  }
}

TEST(ReaderSheet, FormulaStringWithACharacterSplitBetweenRecordsEndsThere) {
  // "Жж" announced as 3 characters; the STRING ends after one byte of the second character.
  Opened o;
  Open(o, FormulaRec(0, 0, 5, SpecialResult(0)) + Rec(0x0207, Data().W(3).B(1).Wide(u"Ж").B(0x36)) +
              Rec(0x003C, Data().B(0).Raw("ok")) + NumberRec(1, 0, 0, 7));
  EXPECT_EQ(std::get<std::u16string>(o.Cell(0, 0)->Value()), u"Ж");
  EXPECT_EQ(std::get<double>(o.Cell(1, 0)->Value()), 7);
}

TEST(ReaderSheet, RowsAndColumns) {
  const std::string records =
      Rec(0x0208, Data().W(2).W(0).W(5).W(300).L(0).W(0x0060).W(0)) +          // hidden, height by hand
      Rec(0x0208, Data().W(3).W(0).W(5).W(400).L(0).W(0x00C2).W(0x3003)) +      // level 2, format 3
      Rec(0x0208, Data().W(4).W(0).W(5).W(500).L(0).W(0x0080).W(0x0FFF)) +      // format beyond the table
      Rec(0x007D, Data().W(0).W(300).W(2560).W(3).W(0x0101)) +                  // hidden, level 1
      Rec(0x007D, Data().W(1).W(1).W(5120).W(900).W(0));                         // XF beyond the table
  Opened o;
  Open(o, records);
  TSheet& sheet = o.Sheet();
  TRow* hidden = sheet.Rows().Find(2);
  ASSERT_NE(hidden, nullptr);
  EXPECT_TRUE(hidden->Hidden());
  EXPECT_EQ(hidden->Height(), 15);
  EXPECT_TRUE(hidden->SizeChanged());
  TRow* grouped = sheet.Rows().Find(3);
  EXPECT_EQ(grouped->OutlineLevel(), 2);
  EXPECT_EQ(grouped->XFTableIndex(), 3);  // bits 12 and 13 of the XF word do not matter
  EXPECT_EQ(grouped->Height(), 20);
  TRow* autofit = sheet.Rows().Find(4);
  ASSERT_NE(autofit, nullptr);
  EXPECT_EQ(autofit->XFTableIndex(), 0);     // its XF number is beyond the table
  EXPECT_EQ(autofit->Height(), 25);
  EXPECT_FALSE(autofit->SizeChanged());      // the height was not set by hand
  for (int c : {0, 2, 255}) {
    TColumn* column = sheet.Columns().Find(c);
    ASSERT_NE(column, nullptr) << c;
    EXPECT_EQ(column->Width(), FileColumnWidthToColumnWidth(2560));
    EXPECT_TRUE(column->Hidden());
    EXPECT_EQ(column->OutlineLevel(), 1);
    EXPECT_EQ(column->XFTableIndex(), 3);
  }
  EXPECT_EQ(sheet.Columns().Count(), 256);
  // The column with an XF beyond the table takes the default XF.
  EXPECT_EQ(sheet.Columns().Find(1)->XFTableIndex(), o.file.Workbook().XFTable().DefaultIndex());
  EXPECT_EQ(sheet.Columns().Find(1)->Width(), FileColumnWidthToColumnWidth(5120));
  EXPECT_FALSE(sheet.Columns().Find(1)->FontBold());
  // A cell created later in the column takes its format without reading past the table.
  EXPECT_NO_THROW(sheet.Cells().Item(10, 1)->SetValue(1.0));

  Opened off;
  off.file.SetReadRowFormats(false);
  off.file.SetReadColumnFormats(false);
  Open(off, records);
  EXPECT_EQ(off.Sheet().Rows().Count(), 0);
  EXPECT_EQ(off.Sheet().Columns().Count(), 0);
}

TEST(ReaderSheet, MergedAreas) {
  Opened o;
  Open(o, NumberRec(0, 0, 0, 1) + Rec(0x00E5, Data().W(2).W(0).W(1).W(0).W(2).W(5).W(5).W(1).W(300).Raw("tail")));
  TSheet& sheet = o.Sheet();
  ASSERT_EQ(sheet.Ranges().RangesCount(), 2);
  EXPECT_TRUE(sheet.Ranges().Item(0)->Merged());
  TRangeRect rect;
  ASSERT_TRUE(sheet.FindMergedRectContainingCellCoord(1, 2, rect));
  EXPECT_EQ(rect.RowTo, 1);
  EXPECT_EQ(rect.ColumnTo, 2);
  EXPECT_TRUE(o.Cell(0, 0)->Merged());
  EXPECT_EQ(std::get<double>(o.Cell(0, 0)->Value()), 1);
  EXPECT_EQ(sheet.Ranges().Item(1)->Rect(0).ColumnTo, 300 & 0xFF);  // columns taken as 8 bits
}

// ---- hyperlinks ----

const std::string kStdLink = std::string("\xD0\xC9\xEA\x79\xF9\xBA\xCE\x11\x8C\x82\x00\xAA\x00\x4B\xA9\x0B", 16);
const std::string kFileMoniker = std::string("\x03\x03\0\0\0\0\0\0\xC0\0\0\0\0\0\0\x46", 16);

std::string HlinkRec(unsigned r1, unsigned r2, unsigned c1, unsigned c2, std::uint32_t flags,
                     const std::string& body) {
  return Rec(0x01B8, Data().W(r1).W(r2).W(c1).W(c2).Raw(kStdLink).L(2).L(flags).Raw(body));
}
// A string with a 4-byte count of characters (or bytes) and its terminating zero.
std::string Counted(const std::u16string& text, bool in_bytes = false) {
  const unsigned n = static_cast<unsigned>(text.size() + 1);
  return Data().L(in_bytes ? 2 * n : n).Wide(text).W(0);
}
const std::string kUrlMoniker = std::string("\xE0\xC9\xEA\x79\xF9\xBA\xCE\x11\x8C\x82\x00\xAA\x00\x4B\xA9\x0B", 16);
std::string UrlMoniker(const std::u16string& url) { return kUrlMoniker + Counted(url, true); }

TEST(ReaderSheet, HyperlinksOfEveryKind) {
  const std::string file_body = kFileMoniker + Data().W(0).L(11).Raw(std::string("..\\a\\b.xls\0", 11)).Zeros(24)
                                    .L(4 + 2 + 20).L(20).W(3).Wide(u"..\\a\\Ж.xls").str();
  const std::string records =
      LabelRec(0, 0, 0, u"shop") +
      HlinkRec(0, 1, 0, 1, 0x03, UrlMoniker(u"http://example.com/")) +
      HlinkRec(3, 3, 0, 0, 0x0B, UrlMoniker(u"http://example.com/p") + Counted(u"part")) +
      HlinkRec(4, 4, 0, 0, 0x1F, Counted(u"shown") + UrlMoniker(u"mailto:a@b.c")) +
      HlinkRec(5, 5, 0, 0, 0x08, Counted(u"Sheet2!A1")) +
      HlinkRec(6, 6, 0, 0, 0x103, Counted(u"\\\\server\\share")) +
      HlinkRec(7, 7, 0, 0, 0x01, file_body) +
      HlinkRec(8, 8, 0, 0, 0x00, "");  // no target: nothing
  Opened o;
  Open(o, records);
  EXPECT_EQ(std::get<std::u16string>(o.Cell(0, 0)->Value()), u"shop");
  for (auto [row, col] : {std::pair{0, 0}, {0, 1}, {1, 0}, {1, 1}}) {
    TCell* cell = o.Cell(row, col);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->Hyperlink(), u"http://example.com/");
    EXPECT_EQ(cell->HyperlinkType(), hltURL);
    EXPECT_EQ(cell->FontColorIndex(), 5);
  }
  EXPECT_EQ(std::get<std::u16string>(o.Cell(1, 1)->Value()), u"http://example.com/");  // empty cell shows it
  EXPECT_EQ(o.Cell(3, 0)->Hyperlink(), u"http://example.com/p");  // the location part is not read
  EXPECT_EQ(o.Cell(4, 0)->Hyperlink(), u"mailto:a@b.c");
  EXPECT_EQ(o.Cell(5, 0)->Hyperlink(), u"Sheet2!A1");
  EXPECT_EQ(o.Cell(5, 0)->HyperlinkType(), hltCurrentWorkbook);
  EXPECT_EQ(o.Cell(6, 0)->Hyperlink(), u"\\\\server\\share");
  EXPECT_EQ(o.Cell(6, 0)->HyperlinkType(), hltUNC);
  EXPECT_EQ(o.Cell(7, 0)->Hyperlink(), u"..\\a\\Ж.xls");
  EXPECT_EQ(o.Cell(7, 0)->HyperlinkType(), hltFile);
  EXPECT_EQ(o.Cell(8, 0), nullptr);
}

TEST(ReaderSheet, BrokenHyperlinksFailWithCode16) {
  const std::string cases[] = {
      Rec(0x01B8, Data().W(0).W(0).W(0).W(0).Zeros(20)),                           // under 32 bytes
      HlinkRec(0, 0, 0, 0, 0x01, std::string(16, 'x') + Counted(u"a")),           // unknown moniker
      HlinkRec(0, 0, 0, 0, 0x03, kUrlMoniker + Data().L(4000).Wide(u"short").str()), // count beyond the data
      HlinkRec(0, 0, 0, 0, 0x08, Data().L(0xFFFFFFFF).str()),
  };
  for (const std::string& record : cases) {
    Opened o;
    try {
      Open(o, record);
      ADD_FAILURE() << "opened";
    } catch (const EXLSError& e) {
      EXPECT_EQ(e.ErrorCode(), EXLS_INVALIDHLINK);
    }
  }
}

// A damaged area record claiming the whole sheet would create 16 million cells; the workbook is
// refused instead, while a merged whole column still opens.
TEST(ReaderSheet, AreasBeyondTheCellBoundAreRefused) {
  const auto merge = [](unsigned r1, unsigned r2, unsigned c1, unsigned c2) {
    return Rec(0x00E5, Data().W(1).W(r1).W(r2).W(c1).W(c2));
  };
  const auto link = [](unsigned r1, unsigned r2, unsigned c1, unsigned c2) {
    return HlinkRec(r1, r2, c1, c2, 0x03, UrlMoniker(u"http://example.com/"));
  };
  const struct {
    std::string records;
    TXLSErrorCode code;  // EXLS_NOERROR: opens
  } cases[] = {
      {merge(0, 65535, 0, 255), EXLS_BADROWCOL},
      {link(0, 65535, 0, 255), EXLS_INVALIDHLINK},
      {merge(0, 65535, 0, 0), EXLS_NOERROR},  // a whole column opens
  };
  for (const auto& c : cases) {
    Opened o;
    try {
      Open(o, c.records);
      EXPECT_EQ(c.code, EXLS_NOERROR);
      EXPECT_EQ(o.Sheet().Cells().Count(), 65536);
    } catch (const EXLSError& e) {
      EXPECT_EQ(e.ErrorCode(), c.code);
    }
  }
}

TEST(ReaderSheet, SheetSettings) {
  const std::string records =
      Rec(0x023E, Data().W(0x0812)) + Rec(0x0041, Data().W(2).W(3).Zeros(6)) + Rec(0x00A0, Data().W(3).W(2)) +
      Rec(0x00A1, Data().W(9).W(80).W(3).W(1).W(2).W(0x0019).L(0).D(0.25).D(0.75).W(1)) +
      Rec(0x0081, Data().B(0x40).B(0x01)) + Rec(0x002A, Data().W(1)) + Rec(0x002B, Data().W(1)) +
      Rec(0x0083, Data().W(1)) + Rec(0x0084, Data().W(0)) + Rec(0x0026, Data().D(1.5)) +
      Rec(0x0029, Data().D(2.5)) + Rec(0x0014, Data().W(22).B(1).Wide(u"&Lleft&Ccentre&Rright")) +
      Rec(0x0015, Data().W(6).B(0).Raw("&Cpage")) + Rec(0x0015, "") +
      Rec(0x0867, Data().Zeros(19).W(0x1234).B(0)) + Rec(0x0013, Data().W(0xABCD));
  Opened o;
  Open(o, records);
  TSheet& sheet = o.Sheet();
  EXPECT_TRUE(sheet.WindowOptions.DisplayGrids);
  EXPECT_FALSE(sheet.WindowOptions.DisplayRowColHeaders);
  EXPECT_TRUE(sheet.WindowOptions.DisplayZero);
  EXPECT_TRUE(sheet.WindowOptions.PageBreakPreview);
  EXPECT_EQ(sheet.WindowOptions.FreezePoint.Column, 2);
  EXPECT_EQ(sheet.WindowOptions.FreezePoint.Row, 3);
  EXPECT_EQ(sheet.WindowOptions.ZoomPercent, 150);
  const TPageSetup& p = sheet.PageSetup();
  EXPECT_EQ(p.Scale, 80);
  EXPECT_EQ(p.StartPageNum, -1);  // automatic: option bit 7 clear
  EXPECT_EQ(p.PrintPagesOrder, xlOverDown);
  EXPECT_EQ(p.Orientation, xlLandscape);
  EXPECT_TRUE(p.BlackAndWhite);
  EXPECT_TRUE(p.Draft);
  EXPECT_EQ(p.HeaderMargin, 0.25);
  EXPECT_EQ(p.FooterMargin, 0.75);
  EXPECT_FALSE(p.RowGroupAtTop);
  EXPECT_TRUE(p.ColumnGroupAtLeft);
  EXPECT_FALSE(p.Zoom);
  EXPECT_TRUE(p.PrintRowColLabels && p.PrintGrid && p.CenterHorizontally);
  EXPECT_FALSE(p.CenterVertically);
  EXPECT_EQ(p.LeftMargin, 1.5);
  EXPECT_EQ(p.BottomMargin, 2.5);
  EXPECT_EQ(p.HeaderTextLeft, u"left");
  EXPECT_EQ(p.HeaderText, u"centre");
  EXPECT_EQ(p.HeaderTextRight, u"right");
  EXPECT_EQ(p.FooterText, u"page");
  EXPECT_EQ(sheet.ProtectMode(), 0x1234);
  EXPECT_EQ(sheet.ProtectPasswordHash(), 0xABCD);
}

TEST(ReaderSheet, DataValidationsAreKeptWithoutFormulaTexts) {
  const auto text = [](const std::string& s) { return Data().W(static_cast<unsigned>(s.size())).B(0).Raw(s).str(); };
  const std::string dv = Data().L(0x00040101).Raw(text("Title") + text("Err") + text("Pick one") + text("No"))
                             .W(3).W(0).B(0x1E).W(5).W(0).W(0).W(2).W(1).W(4).W(0).W(0).W(7).W(9).W(2).W(2).str();
  Opened o;
  Open(o, Rec(0x01BE, dv));
  const TCellValidations& list = o.Sheet().CellValidations();
  ASSERT_EQ(list.Count(), 1);
  const TCellValidation& v = list.Item(0);
  EXPECT_EQ(v.Options, 0x00040101u);
  EXPECT_EQ(v.PromptTitle, u"Title");
  EXPECT_EQ(v.ErrorText, u"No");
  EXPECT_EQ(v.Formula1, u"");
  ASSERT_EQ(v.Areas.RectsCount(), 2);
  EXPECT_EQ(v.Areas.Rect(0).RowTo, 4);
  EXPECT_EQ(v.Areas.Rect(1).RowFrom, 7);
  EXPECT_EQ(v.Areas.Rect(1).ColumnTo, 2);
}

}  // namespace
