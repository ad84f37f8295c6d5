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

}  // namespace
