// tarvo-xls2html IN.xls OUT.html: converts the first sheet of a workbook (.xls or .xlsx) into the
// HTML file the agent uploads, the same bytes. Exit 0 when written; 3 when the first sheet has no stored cell
// (nothing written); 1 on any error, with its message on standard error.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/stream.h"
#include "platform/utf.h"
#include "xls/XLSFile.h"
#include "xls/XLSWorkbook.h"

namespace {

constexpr char kUsage[] =
    "usage: tarvo-xls2html IN.xls OUT.html\n"
    "Converts the first sheet of the workbook IN.xls into the HTML table that Тарво Агент\n"
    "uploads and writes it to OUT.html. IN may be an Excel .xls (97 and later) or an .xlsx\n"
    "(.xlsm) workbook; its first bytes tell which.\n"
    "Exit status: 0 written; 3 the first sheet has no stored cell (nothing written);\n"
    "1 any error (its message on standard error).\n";

int Convert(const std::string& in, const std::string& out) {
  // The workbook lives until the process ends: the system takes its memory back at once, where
  // freeing hundreds of thousands of cells one by one would cost a tenth of the conversion.
  static TXLSFile* const file = new TXLSFile;
  file->OpenFile(Utf8ToUtf16(in));
  TSheet* sheet = file->Workbook().Sheets().Item(0);
  TRangeRect rect;
  if (!sheet->GetUsedRect(rect)) {
    std::fprintf(stderr, "tarvo-xls2html: %s: the first sheet has no stored cell; nothing written\n",
                 in.c_str());
    return 3;
  }
  // The path is the command line's own (UTF-8), so it is opened as given rather than through
  // the 8-bit file name SaveAsHTML takes; the bytes written are the same.
  auto stream = std::make_unique<TFileStream>(out, fmCreate);
  try {
    sheet->SaveRectToStreamAsHTML(*stream, rect);
  } catch (...) {
    // No half-written output is left behind; a device or pipe named as the output stays.
    stream.reset();
    std::error_code ignored;
    if (std::filesystem::is_regular_file(out, ignored)) std::filesystem::remove(out, ignored);
    throw;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string first = argc > 1 ? argv[1] : "";
  if (argc == 2 && (first == "--help" || first == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc != 3) {
    std::fputs(kUsage, stderr);
    return 1;
  }
  try {
    return Convert(argv[1], argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  } catch (...) {
    std::fputs("tarvo-xls2html: unknown error\n", stderr);
  }
  return 1;
}
