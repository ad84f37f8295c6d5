#pragma once
// What the workbook fuzz targets do with a workbook that opened: its first sheet written as
// HTML into memory, the way the agent converts it.

#include <cstdint>

#include "platform/stream.h"
#include "xls/XLSFile.h"
#include "xls/XLSWorkbook.h"

inline void WriteFirstSheetAsHtml(TXLSFile& AFile) {
  constexpr std::int64_t kMaxWrittenPositions = 1 << 20;
  if (AFile.Workbook().Sheets().Count() == 0) return;
  TSheet* sheet = AFile.Workbook().Sheets().Item(0);
  // Every position of the used rectangle becomes a table cell, so one stray cell at the far
  // corner of a tiny file asks for hundreds of megabytes of HTML. That cost is linear in the
  // rectangle and measured by the writer's benchmark; here only rectangles of up to a million
  // positions are written, to keep each run short.
  TRangeRect used;
  if (sheet->GetUsedRect(used) &&
      std::int64_t{used.RowTo - used.RowFrom + 1} * (used.ColumnTo - used.ColumnFrom + 1) >
          kMaxWrittenPositions)
    return;
  TMemoryStream html;
  sheet->SaveToStreamAsHTML(html);
}
