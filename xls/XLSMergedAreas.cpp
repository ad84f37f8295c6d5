#include "xls/XLSMergedAreas.h"

#include <algorithm>

#include "xls/XLSWorkbook.h"

TMergedAreaIndex::TMergedAreaIndex(TSheet& ASheet, const TRangeRect& ABounds) {
  TRanges& ranges = ASheet.Ranges();
  for (int i = 0; i < ranges.RangesCount(); ++i) {
    const TRange* range = ranges.Item(i);
    if (!range->Merged()) continue;
    for (int j = 0; j < range->RectsCount(); ++j) {
      const TRangeRect& rect = range->Rect(j);
      if (rect.ColumnTo < ABounds.ColumnFrom || rect.ColumnFrom > ABounds.ColumnTo) continue;
      const int from = std::max(rect.RowFrom, ABounds.RowFrom), to = std::min(rect.RowTo, ABounds.RowTo);
      for (int row = from; row <= to; ++row) FEntries.push_back({row, i, rect});
    }
  }
  std::stable_sort(FEntries.begin(), FEntries.end(),
                   [](const TEntry& a, const TEntry& b) { return a.Row < b.Row; });
}

bool TMergedAreaIndex::Find(int ARow, int AColumn, TRangeRect& ARect) const {
  auto at = std::lower_bound(FEntries.begin(), FEntries.end(), ARow,
                             [](const TEntry& entry, int row) { return entry.Row < row; });
  int range = -1;
  for (; at != FEntries.end() && at->Row == ARow; ++at) {
    if (range >= 0 && at->Range != range) break;
    if (!at->Rect.Contains(ARow, AColumn)) continue;
    range = at->Range;
    ARect = at->Rect;
  }
  return range >= 0;
}
