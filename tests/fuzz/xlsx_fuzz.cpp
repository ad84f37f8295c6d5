// Any bytes as an .xlsx package: opened from memory by the package reader and, when that
// succeeds, its first sheet written as HTML into memory. Failures must be exceptions of the
// reader, never crashes, hangs or unbounded memory.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <sstream>
#include <string>

#include "platform/stream.h"
#include "xls/XLSFile.h"
#include "xls/XLSWorkbook.h"
#include "xls/XLSXReader.h"

constexpr std::int64_t kMaxWrittenPositions = 1 << 20;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
  try {
    TXLSFile file;
    TXLSXReader(&file).ReadFromStream(input, file.ReaderOptions());
    TSheet* sheet = file.Workbook().Sheets().Item(0);
    // Every position of the used rectangle becomes a table cell: only rectangles of up to a
    // million positions are written, to keep each run short (the writer's cost is linear).
    TRangeRect used;
    if (sheet->GetUsedRect(used) &&
        std::int64_t{used.RowTo - used.RowFrom + 1} * (used.ColumnTo - used.ColumnFrom + 1) >
            kMaxWrittenPositions)
      return 0;
    TMemoryStream html;
    sheet->SaveToStreamAsHTML(html);
  } catch (const std::exception&) {
    // A refused package is a correct outcome.
  }
  return 0;
}
