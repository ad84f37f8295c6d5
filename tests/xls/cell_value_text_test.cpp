// A cell's displayed text: its value through the number format at its format position, with the
// workbook's own format texts only while it holds data read from a file.

#include <gtest/gtest.h>

#include "format_settings_fixture.h"
#include "xls/ListErrors.h"
#include "xls/XLSFormatStr.h"
#include "xls/XLSWorkbook.h"

namespace {

class CellValueTextTest : public RussianSettingsTest {
 protected:
  TCell* Cell(int row, int col) { return workbook_.Sheets().Item(0)->Cells().Item(row, col); }
  TFormatStrings& Formats() { return *workbook_.FormatStrings(); }
  TWorkbook workbook_{1};
};

TEST_F(CellValueTextTest, ShowsEveryValueKind) {
  const struct {
    TCellValue value;
    std::u16string_view expected;
  } cases[] = {
      {TCellValue{}, u""},
      {1234.5, u"1234,5"},
      {std::int32_t{-7}, u"-7"},
      {TCellCurrency{125000}, u"12,5"},
      {true, u"TRUE"},
      {std::u16string(u"Цена"), u"Цена"},
      {std::string("\xD6\xE5\xED\xE0"), u"Цена"},  // 8-bit text in the workbook code page
  };
  int row = 0;
  for (const auto& c : cases) {
    TCell* cell = Cell(row++, 0);
    if (!IsEmptyValue(c.value)) cell->SetValue(c.value);
    EXPECT_EQ(cell->ValueAsString(), c.expected) << row;
  }
}

TEST_F(CellValueTextTest, DateValueTakesTheShortDateFormat) {
  TCell* cell = Cell(0, 0);
  cell->SetValue(TCellDate{45000.75});
  EXPECT_EQ(cell->ValueAsString(), u"15.03.2023");
}

TEST_F(CellValueTextTest, BuiltInNumbersShowTheirOwnTextsOnlyForFileData) {
  const int position = Formats().AddFormatAndIfmt(u"0.000", 4);
  TCell* cell = Cell(0, 0);
  cell->SetValue(1234.5);
  cell->SetFormatStringIndex(position);
  EXPECT_EQ(cell->ValueAsString(), u"1\u00A0234,50");  // built in memory: the regional default
  workbook_.SetProcessingState(psDataFromFile);
  EXPECT_EQ(cell->ValueAsString(), u"1234,500");  // read from a file: the file's text
  cell->SetFormatStringIndex(Formats().AddFormat(u"0.0"));
  workbook_.SetProcessingState(psNothing);
  EXPECT_EQ(cell->ValueAsString(), u"1234,5");  // numbers above 163 keep their text
}

TEST_F(CellValueTextTest, FormatPositionOutsideTheTableIsAListError) {
  TCell* cell = Cell(0, 0);
  cell->SetValue(1.0);
  cell->SetFormatStringIndex(Formats().FormatsCount());
  EXPECT_THROW(cell->ValueAsString(), EListError);
}

}  // namespace
