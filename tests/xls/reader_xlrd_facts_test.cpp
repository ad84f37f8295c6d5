// Our first sheet of every corpus workbook against an independent reading (xlrd's, in the
// corpus's xlrd-facts.json): sheet names and visibility, text, number and Boolean cells, merged
// areas, hidden rows and columns, row heights and column widths.

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "json_lite.h"
#include "sheet_facts.h"
#include "platform/codepage.h"
#include "platform/utf.h"
#include "xls/BiffStrings.h"
#include "xls/XLSFile.h"
#include "xls/XLSMetrics.h"
#include "xls_test_files.h"

namespace {

// Where our reading differs from xlrd's on purpose: the file, the aspect, and why.
struct Disagreement {
  const char* file;
  const char* aspect;  // "open", "sheets", "cells", "texts", "merged", "hidden", "heights", "widths"
  const char* reason;
};

const Disagreement kDisagreements[] = {
    {"biff5_text_and_numbers.xls", "open",
     "only BIFF8 is read: a workbook without a \"Workbook\" stream fails with code 2"},
    {"xls2csv_ole_read_MSAT_body_637.xls", "open",
     "its sector allocation table is broken: the compound document is refused (ECFileError) "
     "where xlrd reads on"},
    {"sheet_visibility.xls", "sheets",
     "only bit 0 of the visibility byte hides a sheet, so a very hidden sheet (2) stays "
     "visible; xlrd hides it"},
};

const Disagreement* FindDisagreement(const std::string& file, const std::string& aspect) {
  for (const Disagreement& d : kDisagreements)
    if (file == d.file && aspect == d.aspect) return &d;
  return nullptr;
}

std::string TextOf(const TCellValue& value) {
  if (const auto* wide = std::get_if<std::u16string>(&value)) return Utf16ToUtf8(*wide);
  if (const auto* narrow = std::get_if<std::string>(&value))
    return Utf16ToUtf8(MultiByteToWide(*narrow, WorkbookCodePage()));
  return "<not text>";
}

// Differences of one aspect, as readable lines.

Findings CompareSheets(TWorkbook& wb, const JsonValue& sheets) {
  Findings out;
  if (static_cast<int>(sheets.items.size()) != wb.Sheets().Count())
    out.push_back("sheet count " + std::to_string(wb.Sheets().Count()));
  for (int i = 0; i < wb.Sheets().Count() && i < static_cast<int>(sheets.items.size()); ++i) {
    TSheet* sheet = wb.Sheets().Item(i);
    const JsonValue& expected = sheets.items[i];
    if (Utf16ToUtf8(sheet->Name()) != expected["name"].text) out.push_back("name of sheet " + std::to_string(i));
    if (sheet->Visible() != expected["visible"].boolean) out.push_back("visibility of " + expected["name"].text);
  }
  return out;
}

// Each serial as a date-time: serials up to 60 move up by one day.
double SerialToDate(double serial) {
  const double date = serial + 1;
  return date > 61 ? date - 1 : date;
}

// The text cells alone, or (`texts` false) the count of values, the numbers and the Booleans.
Findings CompareCells(TSheet& sheet, const JsonValue& facts, bool texts) {
  Findings out;
  for (const JsonValue& cell : facts["cells"].items) {
    if ((cell.items[2].text == "text") != texts) continue;
    const int row = static_cast<int>(cell.items[0].number), column = static_cast<int>(cell.items[1].number);
    const std::string at = std::to_string(row) + "," + std::to_string(column) + " ";
    TCell* ours = sheet.Cells().FindCell(row, column);
    if (!ours) {
      out.push_back(at + "missing");
      continue;
    }
    const TCellValue& v = ours->Value();
    if (texts) {
      if (TextOf(v) != cell.items[3].text) out.push_back(at + "text " + TextOf(v));
    } else if (cell.items[2].text == "bool") {
      const bool* b = std::get_if<bool>(&v);
      if (!b || *b != cell.items[3].boolean) out.push_back(at + "Boolean");
    } else {
      const double x = cell.items[3].number;
      const double* number = std::get_if<double>(&v);
      const TCellDate* date = std::get_if<TCellDate>(&v);
      if (!(number && *number == x) && !(date && date->Value == SerialToDate(x)))
        out.push_back(at + "number");
    }
  }
  if (texts) return out;
  int stored_values = 0;
  for (int i = 0; i < sheet.Cells().Count(); ++i) {
    const TCellValue& v = sheet.Cells().ItemByIndex(i)->Value();
    if (!IsEmptyValue(v)) ++stored_values;
  }
  if (stored_values != facts["cells_total"].number)
    out.push_back("cells with a value: " + std::to_string(stored_values));
  return out;
}

Findings CompareHidden(TSheet& sheet, const JsonValue& facts) {
  std::set<int> rows, columns, their_rows, their_columns;
  for (int i = 0; i < sheet.Rows().Count(); ++i)
    if (sheet.Rows().ItemByIndex(i)->Hidden()) rows.insert(sheet.Rows().ItemByIndex(i)->Index());
  for (int i = 0; i < sheet.Columns().Count(); ++i)
    if (sheet.Columns().ItemByIndex(i)->Hidden()) columns.insert(sheet.Columns().ItemByIndex(i)->Index());
  for (const JsonValue& r : facts["hidden_rows"].items) their_rows.insert(static_cast<int>(r.number));
  for (const JsonValue& c : facts["hidden_cols"].items) their_columns.insert(static_cast<int>(c.number));
  Findings out;
  if (rows != their_rows) out.push_back("hidden rows differ");
  if (columns != their_columns) out.push_back("hidden columns differ");
  return out;
}

Findings CompareHeights(TSheet& sheet, const JsonValue& heights) {
  Findings out;
  for (const auto& [row, twips] : heights.members) {
    const double points = sheet.Rows().Item(std::stoi(row))->Height();
    if (std::lround(points * 20) != std::lround(twips.number)) out.push_back("height of row " + row);
  }
  return out;
}

Findings CompareWidths(TSheet& sheet, const JsonValue& widths) {
  Findings out;
  for (const auto& [column, width] : widths.members) {
    const int index = std::stoi(column);
    if (index > 255) continue;
    if (sheet.Columns().Item(index)->Width() != FileColumnWidthToColumnWidth(width.number))
      out.push_back("width of column " + column);
  }
  return out;
}

void Check(const std::string& file, const std::string& aspect, const Findings& findings) {
  if (!FindDisagreement(file, aspect)) ExpectNoFindings(file, aspect, findings);
}

TEST(ReaderXlrdFacts, FirstSheetsAgreeWithTheIndependentReading) {
  const JsonValue facts = JsonReader(ReadWholeFile(kCorpus + "xlrd-facts.json")).Read();
  int compared = 0;
  for (const auto& [file, reading] : facts.members) {
    if (!reading.Has("first_sheet")) continue;  // xlrd could not read it either
    TXLSFile xls;
    try {
      xls.OpenFile(Utf8ToUtf16(kCorpus + file));
    } catch (const Exception& e) {
      EXPECT_TRUE(FindDisagreement(file, "open")) << file << ": " << e.what();
      continue;
    }
    EXPECT_FALSE(FindDisagreement(file, "open")) << file << " opened";
    ++compared;
    TWorkbook& wb = xls.Workbook();
    Check(file, "sheets", CompareSheets(wb, reading["sheets"]));
    if (wb.Sheets().Count() == 0) continue;
    TSheet& sheet = *wb.Sheets().Item(0);
    const JsonValue& first = reading["first_sheet"];
    Check(file, "cells", CompareCells(sheet, first, false));
    Check(file, "texts", CompareCells(sheet, first, true));
    Check(file, "merged", CompareMerged(sheet, first["merged"]));
    Check(file, "hidden", CompareHidden(sheet, first));
    Check(file, "heights", CompareHeights(sheet, first["row_heights_twips"]));
    Check(file, "widths", CompareWidths(sheet, first["col_widths_256"]));
  }
  EXPECT_GE(compared, 30);
}

}  // namespace
