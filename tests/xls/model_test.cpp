#include "xls/XLSWorkbook.h"

#include <gtest/gtest.h>

#include <functional>

#include "xls/ListErrors.h"
#include "xls/XLSError.h"
#include "xls/XLSStringData.h"

namespace {

int XLSCodeOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EXLSError& e) {
    return e.ErrorCode();
  }
  return EXLS_NOERROR;
}

class Model : public ::testing::Test {
 protected:
  TWorkbook book_{1};
  TSheet& sheet_ = *book_.Sheets().Item(0);
  TCells& cells_ = sheet_.Cells();
};

TEST_F(Model, MissingCellsAreTransientUntilSomethingIsKept) {
  TRangeRect rect;
  rect.RowFrom = 7;
  EXPECT_FALSE(sheet_.GetUsedRect(rect));
  EXPECT_EQ(rect.RowFrom, 7);  // untouched

  TCell* cell = cells_.Item(10, 3);
  EXPECT_TRUE(IsEmptyValue(cell->Value()));
  EXPECT_EQ(cell->XFTableIndex(), book_.XFTable().DefaultIndex());
  EXPECT_EQ(cell->Row(), 10);
  EXPECT_EQ(cell->Col(), 3);
  EXPECT_FALSE(cell->Stored());
  EXPECT_EQ(cells_.Count(), 0);
  cells_.Item(2, 2);  // a request that misses frees the transient cell (10, 3)
  EXPECT_EQ(cells_.FindCell(10, 3), nullptr);
  EXPECT_EQ(cells_.Count(), 0);

  TCell* kept = cells_.Item(1, 1);
  kept->SetValue(1.5);
  cells_.Item(2, 2);
  EXPECT_EQ(cells_.FindCell(1, 1), kept);
  EXPECT_EQ(cells_.Item(1, 1), kept);
  EXPECT_EQ(std::get<double>(kept->Value()), 1.5);
  EXPECT_EQ(cells_.Count(), 1);
  EXPECT_EQ(cells_.ItemByIndex(0), kept);
  try {
    cells_.ItemByIndex(1);
    ADD_FAILURE();
  } catch (const ERangeError& e) {
    EXPECT_STREQ(e.what(), "List index (1) out of bounds");
  }
  kept->Clear();
  EXPECT_EQ(cells_.Count(), 0);
  EXPECT_EQ(cells_.FindCell(1, 1), nullptr);
}

TEST_F(Model, CellPositionsOutsideTheSheetAreRefused) {
  for (const auto& [row, column] : {std::pair{0, 256}, {0, -1}, {-1, 0}, {65536, 0}})
    EXPECT_EQ(XLSCodeOf([&] { cells_.Item(row, column); }), EXLS_BADROWCOL) << row << "," << column;
  EXPECT_EQ(cells_.Item(65535, 255)->Row(), 65535);
  try {
    cells_.Item(0, 256);
  } catch (const EXLSError& e) {
    EXPECT_STREQ(e.what(), "Invalid row or column number.");
  }
}

TEST_F(Model, ValueKinds) {
  TCell* cell = cells_.Item(0, 0);
  cell->SetValue(std::u16string(u"text"));
  const TCellValue refused[] = {TCellValue{}, TCellNull{}, std::u16string(65536, u'x'),
                                std::string(65536, 'x')};
  for (const TCellValue& value : refused) {
    EXPECT_EQ(XLSCodeOf([&] { cell->SetValue(value); }), EXLS_BADCELLVALUE);
    EXPECT_EQ(std::get<std::u16string>(cell->Value()), u"text");
  }
  const TCellValue accepted[] = {std::int8_t{-1}, std::uint32_t{7}, std::int64_t{1} << 40, 1.5f, 2.5,
                                 TCellCurrency{125000}, TCellDate{45000.5}, true,
                                 std::u16string(65535, u'x'), std::string("\xCF\xF0", 2)};
  for (const TCellValue& value : accepted) {
    cell->SetValue(value);
    EXPECT_EQ(cell->Value(), value);
  }
}

TEST_F(Model, DateValuesTakeTheDateFormatOnlyOnTheirFirstAssignment) {
  struct Case {
    int format_before;
    TCellValue value_before;
    int format_after;
  };
  const Case cases[] = {{0, TCellValue{}, 13}, {0, 5.0, 13}, {7, TCellValue{}, 7},
                        {0, TCellDate{1}, 0}};
  int row = 0;
  for (const Case& c : cases) {
    TCell* cell = cells_.Item(row++, 0);
    if (!IsEmptyValue(c.value_before)) cell->SetValue(c.value_before);
    cell->SetFormatStringIndex(c.format_before);
    cell->SetValue(TCellDate{45000});
    EXPECT_EQ(cell->FormatStringIndex(), c.format_after) << row;
    EXPECT_TRUE(cell->Stored());
  }
}

TEST_F(Model, SideDataFields) {
  std::string data;
  SetStringDataField(data, 'F', "12");
  SetStringDataField(data, 'R', "rich");
  const std::string mark("\xFF\x00\xFF\x63", 4);
  EXPECT_EQ(data, mark + "F" + mark + "12" + mark + mark + "R" + mark + "rich" + mark);
  SetStringDataField(data, 'F', "345");  // replaced in place
  EXPECT_EQ(data, mark + "F" + mark + "345" + mark + mark + "R" + mark + "rich" + mark);
  EXPECT_EQ(GetStringDataField(data, 'R'), "rich");
  EXPECT_EQ(GetStringDataField(data, 'H'), "");
  SetStringDataField(data, 'F', "");  // removed
  EXPECT_EQ(data, mark + "R" + mark + "rich" + mark);
  EXPECT_EQ(GetStringDataField(mark + "F" + mark + "open", 'F'), "");  // no closing mark

  TCell* cell = cells_.Item(3, 3);
  cell->SetHyperlinkType(hltURL);
  EXPECT_FALSE(cell->Stored());  // the type alone stores nothing
  EXPECT_EQ(cell->HyperlinkType(), hltURL);
  cell->SetFormula("17");
  EXPECT_TRUE(cell->Stored());
  EXPECT_EQ(cell->Formula(), "17");
  EXPECT_EQ(cells_.Item(4, 4)->HyperlinkType(), hltAuto);

  // Side data leaves with its cell: a discarded transient cell's and a cleared cell's data never
  // reach the cell that comes next at the same place (or in the same memory).
  cells_.Item(5, 5)->SetHyperlinkType(hltFile);
  cells_.Item(6, 6);
  EXPECT_EQ(cells_.Item(5, 5)->HyperlinkType(), hltAuto);
  cell->Clear();
  TCell* again = cells_.Item(3, 3);
  EXPECT_TRUE(again->StringData().empty());
  EXPECT_EQ(again->Formula(), "");
  again->SetValue(1.0);
  EXPECT_EQ(cells_.StoredItem(3, 3), again);
  EXPECT_TRUE(cells_.StoredItem(7, 7)->Stored());  // stored at once, for readers
  EXPECT_EQ(cells_.Count(), 2);
}

TEST_F(Model, HyperlinksColourUnderlineAndFillAnEmptyValue) {
  TCell* empty = cells_.Item(0, 0);
  empty->SetHyperlink(u"http://example.com/Прайс");
  EXPECT_TRUE(empty->Stored());
  EXPECT_EQ(empty->Hyperlink(), u"http://example.com/Прайс");
  EXPECT_EQ(std::get<std::u16string>(empty->Value()), u"http://example.com/Прайс");
  EXPECT_EQ(empty->FontColorIndex(), 5);
  EXPECT_TRUE(empty->FontUnderline());

  TCell* valued = cells_.Item(1, 0);
  valued->SetValue(std::u16string(u"Сайт"));
  valued->SetHyperlink(u"http://example.com");
  EXPECT_EQ(std::get<std::u16string>(valued->Value()), u"Сайт");
  EXPECT_EQ(valued->FontColorIndex(), 5);
}

TEST_F(Model, MergedAreasAndTheUsedRectangle) {
  TRange* merged = sheet_.Ranges().Add();
  merged->AddRect(1, 2, 1, 2);  // B2:C3
  merged->MergeCells();
  EXPECT_TRUE(merged->Merged());
  EXPECT_EQ(cells_.Count(), 4);
  TRangeRect rect;
  rect.RelativeFlags = 9;
  ASSERT_TRUE(sheet_.GetUsedRect(rect));
  EXPECT_EQ(rect.RowFrom, 1);
  EXPECT_EQ(rect.RowTo, 2);
  EXPECT_EQ(rect.ColumnFrom, 1);
  EXPECT_EQ(rect.ColumnTo, 2);
  EXPECT_EQ(rect.RelativeFlags, 9);
  EXPECT_TRUE(cells_.Item(2, 2)->Merged());

  // Overlaps: the first merged range decides, and within it the last rectangle.
  TRange* named = sheet_.Ranges().Add();
  named->AddRect(0, 9, 0, 9);  // not merged: passed over
  TRange* second = sheet_.Ranges().Add();
  second->AddRect(2, 2, 0, 5);
  second->MergeCells();
  merged->AddRect(2, 4, 2, 4);
  EXPECT_TRUE(sheet_.FindMergedRectContainingCellCoord(2, 2, rect));
  EXPECT_EQ(rect.RowTo, 4);  // merged's second rectangle
  EXPECT_TRUE(sheet_.FindMergedRectContainingCell(*cells_.Item(2, 0), rect));
  EXPECT_EQ(rect.ColumnTo, 5);
  rect.RowFrom = 77;
  EXPECT_FALSE(sheet_.FindMergedRectContainingCellCoord(8, 8, rect));
  EXPECT_EQ(rect.RowFrom, 77);

  second->UnMergeCells();
  EXPECT_FALSE(cells_.Item(2, 5)->Merged());
  second->SetValue(std::u16string(u"all"));
  EXPECT_EQ(std::get<std::u16string>(cells_.Item(2, 5)->Value()), u"all");
  merged->SetValue(1.0);  // merged: only the first rectangle's top-left cell
  EXPECT_EQ(std::get<double>(cells_.Item(1, 1)->Value()), 1.0);
  EXPECT_TRUE(IsEmptyValue(cells_.Item(1, 2)->Value()));
  merged->Clear();
  EXPECT_EQ(cells_.FindCell(1, 1), nullptr);

  EXPECT_EQ(XLSCodeOf([&] { named->SetName(u"my name"); }), EXLS_INVALIDNAME);
  try {
    named->SetName(u"my name");
  } catch (const EXLSError& e) {
    EXPECT_STREQ(e.what(), "Invalid range name: my name.");
  }
  named->SetName(u"Print_Area");
  EXPECT_EQ(named->Name(), u"Print_Area");
}

TEST_F(Model, RowAndColumnFormatsReachNewCells) {
  book_.SetProcessingState(psDataFromFile);
  sheet_.Rows().Item(5)->SetFontBold(true);
  TColumn* column = sheet_.Columns().Item(2);
  column->SetFillPattern(xlPatternSolid);
  column->SetFillPatternBGColorIndex(6);
  const int row_xf = sheet_.Rows().Item(5)->XFTableIndex();
  const int column_xf = sheet_.Columns().Item(2)->XFTableIndex();

  TCell* both = cells_.Item(5, 2);
  EXPECT_TRUE(both->FontBold());
  EXPECT_EQ(both->FillPattern(), xlPatternSolid);
  EXPECT_EQ(both->FillPatternBGColorIndex(), 6);
  EXPECT_FALSE(both->Stored());  // building its format stores nothing
  EXPECT_EQ(cells_.Count(), 0);
  EXPECT_EQ(cells_.Item(5, 7)->XFTableIndex(), row_xf);     // only the row formatted
  EXPECT_EQ(cells_.Item(9, 2)->XFTableIndex(), column_xf);  // only the column
  EXPECT_EQ(cells_.Item(9, 7)->XFTableIndex(), book_.XFTable().DefaultIndex());

  // The attribute-by-attribute merge: the row wins unless it holds the default.
  TRow* row = sheet_.Rows().Item(8);
  row->SetVAlign(xlVAlignTop);  // top counts as unset, so the column's alignment wins
  row->SetFontName(u"Tahoma");
  row->SetBorderStyle(xlBorderTop, bsThick);
  row->SetLocked(false);
  TColumn* other = sheet_.Columns().Item(4);
  other->SetVAlign(xlVAlignCenter);
  other->SetFontName(u"Courier");
  other->SetFontHeight(14);
  other->SetBorderStyle(xlBorderTop, bsThin);
  other->SetBorderStyle(xlBorderLeft, bsDotted);
  other->SetWrap(true);
  TCell* merged = cells_.Item(8, 4);
  EXPECT_EQ(merged->VAlign(), xlVAlignCenter);
  EXPECT_EQ(merged->FontName(), u"Tahoma");
  EXPECT_EQ(merged->FontHeight(), 14);
  EXPECT_EQ(merged->BorderStyle(xlBorderTop), bsThick);
  EXPECT_EQ(merged->BorderStyle(xlBorderLeft), bsDotted);
  EXPECT_TRUE(merged->Wrap());
  EXPECT_TRUE(merged->Locked());  // not taken over

  // While a file is read, cells keep the default format the reader then sets.
  book_.SetProcessingState(psReading);
  EXPECT_EQ(cells_.Item(5, 2)->XFTableIndex(), book_.XFTable().DefaultIndex());
}

TEST_F(Model, RowsAndColumns) {
  TRow* row = sheet_.Rows().Item(3);
  EXPECT_EQ(row->HeightPx(), 17);
  EXPECT_DOUBLE_EQ(row->Height(), 12.75);
  EXPECT_FALSE(row->Stored());
  row->SetHidden(false);
  EXPECT_FALSE(row->Stored());
  row->SetHidden(true);
  EXPECT_TRUE(row->Stored());
  row->SetHidden(false);  // showing again has no effect
  EXPECT_TRUE(row->Hidden());
  EXPECT_EQ(row->VisibleHeightPx(), 0);
  EXPECT_EQ(sheet_.Rows().Count(), 1);
  EXPECT_TRUE(sheet_.Rows().ItemExists(3));

  TRow* tall = sheet_.Rows().Item(4);
  tall->SetHeight(15);
  EXPECT_EQ(tall->HeightPx(), 20);
  EXPECT_TRUE(tall->SizeChanged());
  tall->SetHeightPx(30);
  EXPECT_DOUBLE_EQ(tall->Height(), 22.5);
  tall->AutoFit();
  EXPECT_FALSE(tall->SizeChanged());
  EXPECT_TRUE(tall->Changed());

  TColumn* column = sheet_.Columns().Item(1);
  EXPECT_EQ(column->WidthPx(), 64);
  EXPECT_DOUBLE_EQ(column->Width(), 59.0 / 7);
  column->SetWidth(2);
  EXPECT_EQ(column->WidthPx(), 19);
  EXPECT_EQ(column->VisibleWidth(), 2);

  sheet_.GroupRows(10, 11);
  for (int i = 0; i < 8; ++i) sheet_.GroupRows(10, 10);
  EXPECT_EQ(sheet_.Rows().Item(10)->OutlineLevel(), 7);
  EXPECT_EQ(sheet_.Rows().Item(11)->OutlineLevel(), 1);
  sheet_.UnGroupRows(11, 11);
  sheet_.UnGroupRows(11, 11);
  EXPECT_EQ(sheet_.Rows().Item(11)->OutlineLevel(), 0);
  sheet_.GroupColumns(3, 2);  // last below first: nothing
  EXPECT_FALSE(sheet_.Columns().ItemExists(2));
  sheet_.Freeze(2, 1);
  EXPECT_EQ(sheet_.WindowOptions.FreezePoint.Row, 2);
  sheet_.UnFreeze();
  EXPECT_EQ(sheet_.WindowOptions.FreezePoint.Column, 0);
}

TEST(Workbook, SheetsAndTheirNames) {
  TWorkbook book(3);
  TSheets& sheets = book.Sheets();
  ASSERT_EQ(sheets.Count(), 3);
  EXPECT_EQ(sheets.Item(2)->Name(), u"Sheet3");
  EXPECT_EQ(sheets.Item(2)->Index(), 2);
  EXPECT_EQ(book.SheetByName(u"Sheet2"), sheets.Item(1));
  EXPECT_EQ(book.SheetByName(u"sheet2"), nullptr);  // letter case counts

  const struct {
    std::u16string name;
    int code;
  } cases[] = {{u"Sheet1", EXLS_BADSHEETNAME},         {u"", EXLS_BADSHEETNAMELENGTH},
               {u" \t ", EXLS_BADSHEETNAME},           {std::u16string(256, u'x'), EXLS_BADSHEETNAMELENGTH},
               {std::u16string(255, u'x'), EXLS_NOERROR}, {u"Прайс", EXLS_NOERROR}};
  for (const auto& c : cases)
    EXPECT_EQ(XLSCodeOf([&] { sheets.Add(c.name); }), c.code) << c.name.size();
  EXPECT_EQ(sheets.Count(), 5);
  EXPECT_EQ(XLSCodeOf([&] { sheets.Item(0)->SetName(u"Sheet1"); }), EXLS_BADSHEETNAME);
  EXPECT_EQ(XLSCodeOf([&] { sheets.Item(0)->SetName(u""); }), EXLS_BADSHEETNAMELENGTH);
  EXPECT_EQ(sheets.Item(0)->Name(), u"Sheet1");
  try {
    sheets.Item(5);
    ADD_FAILURE();
  } catch (const ERangeError& e) {
    EXPECT_STREQ(e.what(), "List index (5) out of bounds !");
  }

  sheets.DeleteByName(u"Sheet2");
  EXPECT_EQ(sheets.Count(), 4);
  EXPECT_EQ(sheets.Item(1)->Name(), u"Sheet3");
  EXPECT_EQ(sheets.Item(1)->Index(), 1);

  sheets.Item(0)->Cells().Item(0, 0)->SetFontBold(true);
  EXPECT_EQ(book.XFTable().Count(), 2);
  book.SetProcessingState(psDataFromFile);
  book.Clear();
  EXPECT_EQ(book.Sheets().Count(), 0);
  EXPECT_EQ(book.XFTable().Count(), 1);
  EXPECT_EQ(book.FontTable().Count(), 1);
  EXPECT_EQ(book.ProcessingState(), psDataFromFile);
  EXPECT_EQ(book.Sheets().Add(u"Sheet1")->Cells().Item(0, 0)->FontName(), u"Arial");
}

TEST(Workbook, PicturesAndComments) {
  TWorkbook book(1);
  TSheet& sheet = *book.Sheets().Item(0);
  const struct {
    std::string head;
    TXLSImageType type;
  } cases[] = {{std::string(8, '\xFF') + "\x02\xFF", xlimgEMF}, {std::string(8, '\xFF') + "\x03\xFF", xlimgWMF},
               {"\x89PNG\r\n\x1A\n..", xlimgPNG}, {"\xFF\xD8\xFF\xE0..JFIF", xlimgJPG},
               {"BM........", xlimgBMP}, {"GIF89a....", xlimgNone}};
  for (const auto& c : cases) {
    TEasyStream source;
    const std::string bytes = "pre" + c.head + "post";
    source.WriteBytes(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    TXLSImage* image = sheet.Images().AddStretchFromStreamPx(source, 3, 14, 2, 5, 1, 2, 100, 50);
    EXPECT_EQ(image->ImageType(), c.type) << c.head;
    EXPECT_EQ(image->ImageData()->Size(), 14);
    EXPECT_EQ(image->FRightColumn, -1);
    EXPECT_EQ(image->FStretchToWidthPx, 100);
  }
  EXPECT_EQ(sheet.Images().Count(), 6);

  TCellComments& comments = sheet.CellComments();
  TCellComment* comment = comments.Item(3, 4);
  EXPECT_FALSE(comment->Stored());
  EXPECT_EQ(comments.Count(), 0);
  comment->SetText(u"Цена без НДС");
  EXPECT_TRUE(comment->Stored());
  EXPECT_EQ(comments.Item(3, 4), comment);
  EXPECT_EQ(comments.Count(), 1);
}

}  // namespace
