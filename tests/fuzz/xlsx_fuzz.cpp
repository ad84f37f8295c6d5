// Any bytes as an .xlsx package: read from memory by the package reader (whatever the first
// bytes are) and, when that succeeds, its first sheet written as HTML into memory. Failures
// must be exceptions of the reader, never crashes, hangs or unbounded memory.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <sstream>
#include <string>

#include "first_sheet_html.h"
#include "xls/XLSXReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
  try {
    TXLSFile file;
    TXLSXReader(&file).ReadFromStream(input, file.ReaderOptions());
    WriteFirstSheetAsHtml(file);
  } catch (const std::exception&) {
    // A refused package is a correct outcome.
  }
  return 0;
}
