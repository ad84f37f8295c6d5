#pragma once
// The merged areas of a sheet found by cell: built once for a rectangle, it answers as
// TSheet::FindMergedRectContainingCellCoord does for every cell inside it (the first merged
// range holding the cell, and of its rectangles the last one), without going through every
// area for every cell. Memory grows with the rows the areas cover inside the rectangle.

#include <cstdint>
#include <vector>

#include "xls/XLSRects.h"

class TSheet;

class TMergedAreaIndex {
 public:
  TMergedAreaIndex(TSheet& ASheet, const TRangeRect& ABounds);
  // The merged area holding (ARow, AColumn), a cell of the bounds given; false when none does.
  bool Find(int ARow, int AColumn, TRangeRect& ARect) const;

 private:
  struct TEntry {
    int Row;          // a row the area covers
    int Range;        // the area's range, by position in the sheet's ranges
    TRangeRect Rect;  // the area
  };
  std::vector<TEntry> FEntries;  // by row, then in the order of ranges and their rectangles
};
