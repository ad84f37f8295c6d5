#include "xls/XLSMergedAreas.h"

#include <gtest/gtest.h>

#include <random>

#include "xls/XLSWorkbook.h"

namespace {

bool SameRect(const TRangeRect& a, const TRangeRect& b) {
  return a.RowFrom == b.RowFrom && a.RowTo == b.RowTo && a.ColumnFrom == b.ColumnFrom &&
         a.ColumnTo == b.ColumnTo;
}

// Overlapping areas, ranges of several rectangles and a range that is not merged: the index
// answers as the sheet's own search, for every cell of a rectangle that cuts some areas.
TEST(MergedAreaIndex, AnswersAsTheSheetsSearchForEveryCell) {
  TWorkbook book(1);
  TSheet& sheet = *book.Sheets().Item(0);
  std::mt19937 random(3);
  for (int i = 0; i < 40; ++i) {
    TRange* range = sheet.Ranges().Add();
    const int rects = 1 + static_cast<int>(random() % 3);
    for (int j = 0; j < rects; ++j) {
      const int row = static_cast<int>(random() % 30), column = static_cast<int>(random() % 12);
      range->AddRect(row, row + static_cast<int>(random() % 4), column, column + static_cast<int>(random() % 3));
    }
    if (i % 7 != 0) range->MergeCells();
  }
  TRangeRect bounds;
  bounds.RowFrom = 3;
  bounds.RowTo = 28;
  bounds.ColumnFrom = 2;
  bounds.ColumnTo = 10;
  const TMergedAreaIndex index(sheet, bounds);
  int merged_cells = 0;
  for (int row = bounds.RowFrom; row <= bounds.RowTo; ++row)
    for (int column = bounds.ColumnFrom; column <= bounds.ColumnTo; ++column) {
      TRangeRect expected, found;
      const bool in_area = sheet.FindMergedRectContainingCellCoord(row, column, expected);
      ASSERT_EQ(index.Find(row, column, found), in_area) << row << "," << column;
      if (in_area) {
        EXPECT_TRUE(SameRect(found, expected)) << row << "," << column;
      }
      merged_cells += in_area;
    }
  EXPECT_GT(merged_cells, 50);  // the areas do reach the rectangle
}

}  // namespace
