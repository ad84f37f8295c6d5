// Any bytes as a workbook: opened from memory and, when that succeeds, its first sheet written
// as HTML into memory. Failures must be exceptions of the reader, never crashes or hangs.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <sstream>
#include <string>

#include "platform/stream.h"
#include "xls/XLSFile.h"
#include "xls/XLSWorkbook.h"

constexpr std::int64_t kMaxWrittenPositions = 1 << 20;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
  try {
    TXLSFile file;
    file.OpenStream(&input);
    if (file.Workbook().Sheets().Count() == 0) return 0;
    TSheet* sheet = file.Workbook().Sheets().Item(0);
    // Every position of the used rectangle becomes a table cell, so one stray cell at the far
    // corner of a tiny file asks for hundreds of megabytes of HTML. That cost is linear in the
    // rectangle and measured by the writer's benchmark; here only rectangles of up to a million
    // positions are written, to keep each run short.
    TRangeRect used;
    if (sheet->GetUsedRect(used) &&
        std::int64_t{used.RowTo - used.RowFrom + 1} * (used.ColumnTo - used.ColumnFrom + 1) >
            kMaxWrittenPositions)
      return 0;
    TMemoryStream html;
    sheet->SaveToStreamAsHTML(html);
  } catch (const std::exception&) {
    // A refused workbook is a correct outcome.
  }
  return 0;
}
