// Any bytes as a workbook: opened from memory and, when that succeeds, its first sheet written
// as HTML into memory. Failures must be exceptions of the reader, never crashes or hangs.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <sstream>
#include <string>

#include "first_sheet_html.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
  try {
    TXLSFile file;
    file.OpenStream(&input);
    WriteFirstSheetAsHtml(file);
  } catch (const std::exception&) {
    // A refused workbook is a correct outcome.
  }
  return 0;
}
