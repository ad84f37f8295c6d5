// Our reading of every .xlsx workbook of the corpus against an independent one (openpyxl's, in
// openpyxl-facts.json): each opens or fails as the corpus README says, and for the first sheet
// the sheet names and states, the texts, numbers, dates and Booleans, custom number formats,
// merged areas, hidden rows and columns, row heights and column widths agree.

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "json_lite.h"
#include "sheet_facts.h"
#include "platform/utf.h"
#include "xls/XLSFile.h"
#include "xls/XLSFormatStr.h"
#include "xls/XLSMetrics.h"
#include "xls_test_files.h"

namespace {

const std::string kCorpusXlsx = "../shared/corpus-xlsx/";

// The workbooks that must fail: the README's hostile and damaged files, and those we refuse
// where openpyxl reads on (with the reason).
struct Refusal {
  const char* file;
  const char* reason;
};

const Refusal kRefusals[] = {
    {"zip_bomb_sheet.xlsx", "a part inflating beyond the bounds"},
    {"poc-xmlbomb.xlsx", "a document type declaration with entities"},
    {"poc-xmlbomb-empty.xlsx", "a document type declaration with entities"},
    {"poc-shared-strings.xlsx", "a cell text of a million characters (and cell A0)"},
    {"xxe_in_schema.xlsx", "an XML map taking its schema from outside the file"},
    {"protected_passtika.xlsx", "an encrypted package"},
    {"clusterfuzz-testcase-minimized-POIFuzzer-5040805309710336.xlsx", "no workbook part"},
    {"clusterfuzz-testcase-minimized-POIXSSFFuzzer-5937385319563264.xlsx", "a bad checksum"},
    {"clusterfuzz-testcase-minimized-XLSX2CSVFuzzer-5025401116950528.xlsx", "a broken zip directory"},
    {"clusterfuzz-testcase-minimized-XLSX2CSVFuzzer-6504225896792064.xlsx", "a broken zip directory"},
    {"crash-274d6342e4842d61be0fb48eaadad6208ae767ae.xlsx", "a broken zip directory"},
    // openpyxl reads these two; Excel reports both as damaged.
    {"xlsx-corrupted.xlsx", "the package's relationships part is no XML"},
    {"duplicate-filename.xlsx", "two entries of the same name"},
};

// Where our reading differs from openpyxl's on purpose: the file, the aspect, and why.
struct Disagreement {
  const char* file;
  const char* aspect;
  const char* reason;
};

const Disagreement kDisagreements[] = {
    {"56557.xlsx", "sheets",
     "its second sheet is a chart sheet: every kind of sheet makes a sheet, as in .xls files, "
     "where openpyxl lists worksheets alone"},
};

bool Disagrees(const std::string& file, const std::string& aspect) {
  for (const Disagreement& d : kDisagreements)
    if (file == d.file && aspect == d.aspect) return true;
  return false;
}

// Error values: openpyxl gives their text; like the .xls reader we keep no value for them.
bool IsErrorText(const std::string& text) {
  static const std::set<std::string> kErrors = {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!",
                                                "#NAME?", "#NUM!",   "#N/A"};
  return kErrors.count(text) != 0;
}

// A duration as openpyxl writes a number under an elapsed-time format ("12345 days,
// 16:17:36.960000"), in days; false for other texts.
bool DurationDays(const std::string& text, double& days) {
  long whole = 0;
  int hours = 0, minutes = 0;
  double seconds = 0;
  char unit[8] = {};
  if (std::sscanf(text.c_str(), "%ld %7[days], %d:%d:%lf", &whole, unit, &hours, &minutes, &seconds) != 5)
    return false;
  days = static_cast<double>(whole) + (hours * 3600 + minutes * 60 + seconds) / 86400.0;
  return true;
}

bool MustFail(const std::string& file) {
  for (const Refusal& r : kRefusals)
    if (file == r.file) return true;
  return false;
}

std::string TextOf(const TCellValue& value) {
  if (const auto* wide = std::get_if<std::u16string>(&value)) return Utf16ToUtf8(*wide);
  return "<not text>";
}

// An ISO date-time "2000-01-01T12:00:00" in days since 1899-12-30.
double IsoToDays(const std::string& iso) {
  int y = 0, m = 0, d = 0, hh = 0, mm = 0;
  double ss = 0;
  std::sscanf(iso.c_str(), "%d-%d-%dT%d:%d:%lf", &y, &m, &d, &hh, &mm, &ss);
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long days = era * 146097L + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468 + 25569;
  return static_cast<double>(days) + (hh * 3600 + mm * 60 + ss) / 86400.0;
}

Findings CompareSheets(TWorkbook& wb, const JsonValue& sheets) {
  Findings out;
  if (static_cast<int>(sheets.items.size()) != wb.Sheets().Count()) out.push_back("sheet count");
  for (int i = 0; i < wb.Sheets().Count() && i < static_cast<int>(sheets.items.size()); ++i) {
    const TSheet* sheet = wb.Sheets().Item(i);
    if (Utf16ToUtf8(sheet->Name()) != sheets.items[i].items[0].text) out.push_back("name of sheet " + std::to_string(i));
    if (sheet->Visible() != (sheets.items[i].items[1].text == "visible")) out.push_back("state of sheet " + std::to_string(i));
  }
  return out;
}

Findings CompareCells(TWorkbook& wb, TSheet& sheet, const JsonValue& cells) {
  Findings out;
  int errors = 0;
  for (const JsonValue& fact : cells.items) {
    const int row = static_cast<int>(fact.items[0].number), column = static_cast<int>(fact.items[1].number);
    const std::string& kind = fact.items[2].text;
    const std::string at = std::to_string(row) + "," + std::to_string(column) + " ";
    TCell* cell = sheet.Cells().FindCell(row, column);
    if (kind == "text" && IsErrorText(fact.items[3].text)) {
      ++errors;
      if (cell && !IsEmptyValue(cell->Value())) out.push_back(at + "error value kept");
      continue;
    }
    if (!cell) {
      out.push_back(at + "missing");
      continue;
    }
    const TCellValue& v = cell->Value();
    double duration = 0;
    if (kind == "text" && DurationDays(fact.items[3].text, duration)) {
      const TCellDate* date = std::get_if<TCellDate>(&v);
      if (!date || std::fabs(date->Value - duration) > 1e-5) out.push_back(at + "duration");
    } else if (kind == "text") {
      if (TextOf(v) != fact.items[3].text) out.push_back(at + "text " + TextOf(v));
    } else if (kind == "bool") {
      const bool* b = std::get_if<bool>(&v);
      if (!b || *b != fact.items[3].boolean) out.push_back(at + "Boolean");
    } else if (kind == "date") {
      const TCellDate* date = std::get_if<TCellDate>(&v);
      if (!date || std::fabs(date->Value - IsoToDays(fact.items[3].text)) > 1e-5) out.push_back(at + "date");
    } else {
      const double* number = std::get_if<double>(&v);
      if (!number || *number != fact.items[3].number) out.push_back(at + "number");
    }
    // Custom number formats come through as written (openpyxl names built-in ones its own way).
    const TNumberFormat& format = wb.FormatStrings()->Format(cell->FormatStringIndex());
    if (format.ifmt >= 164 && Utf16ToUtf8(format.FormatString) != fact.items[4].text)
      out.push_back(at + "format " + Utf16ToUtf8(format.FormatString));
  }
  int values = 0;
  for (int i = 0; i < sheet.Cells().Count(); ++i)
    if (!IsEmptyValue(sheet.Cells().ItemByIndex(i)->Value())) ++values;
  const int listed = static_cast<int>(cells.items.size()) - errors;
  if (listed < 5000 ? values != listed : values < listed) out.push_back("cells with a value: " + std::to_string(values));
  return out;
}

int ColumnIndex(const std::string& letters) {
  int index = 0;
  for (char c : letters) index = index * 26 + (c - 'A' + 1);
  return index - 1;
}

Findings CompareRowsAndColumns(TSheet& sheet, const JsonValue& facts) {
  Findings out;
  std::set<int> rows, columns, their_rows, their_columns;
  for (int i = 0; i < sheet.Rows().Count(); ++i)
    if (sheet.Rows().ItemByIndex(i)->Hidden()) rows.insert(sheet.Rows().ItemByIndex(i)->Index());
  for (int i = 0; i < sheet.Columns().Count(); ++i)
    if (sheet.Columns().ItemByIndex(i)->Hidden()) columns.insert(sheet.Columns().ItemByIndex(i)->Index());
  for (const JsonValue& r : facts["hidden_rows"].items) their_rows.insert(static_cast<int>(r.number));
  for (const JsonValue& c : facts["hidden_cols"].items)
    if (ColumnIndex(c.text) < 256) their_columns.insert(ColumnIndex(c.text));
  if (rows != their_rows) out.push_back("hidden rows differ");
  if (columns != their_columns) out.push_back("hidden columns differ");
  for (const auto& [row, points] : facts["row_heights"].members) {
    const int index = std::stoi(row) - 1;
    if (index < 65536 && std::lround(sheet.Rows().Item(index)->Height() * 20) != std::lround(points.number * 20))
      out.push_back("height of row " + row);
  }
  for (const auto& [column, width] : facts["col_widths"].members) {
    const int index = ColumnIndex(column);
    if (index < 256 && sheet.Columns().Item(index)->Width() != FileColumnWidthToColumnWidth(std::nearbyint(width.number * 256)))
      out.push_back("width of column " + column);
  }
  return out;
}

void Check(const std::string& file, const std::string& aspect, const Findings& findings) {
  if (!Disagrees(file, aspect)) ExpectNoFindings(file, aspect, findings);
}

TEST(XlsxOpenpyxlFacts, EveryWorkbookOpensOrFailsAndAgreesWithTheIndependentReading) {
  const JsonValue facts = JsonReader(ReadWholeFile(kCorpusXlsx + "openpyxl-facts.json")).Read();
  int compared = 0;
  for (const auto& [file, reading] : facts.members) {
    TXLSFile xls;
    try {
      xls.OpenFile(Utf8ToUtf16(kCorpusXlsx + file));
    } catch (const Exception& e) {
      EXPECT_TRUE(MustFail(file)) << file << ": " << e.what();
      EXPECT_GT(std::string(e.what()).size(), 10u) << file;
      continue;
    }
    EXPECT_FALSE(MustFail(file)) << file << " opened";
    if (!reading.Has("cells")) continue;  // openpyxl could not read it: nothing to compare
    ++compared;
    TWorkbook& wb = xls.Workbook();
    Check(file, "sheets", CompareSheets(wb, reading["sheets"]));
    TSheet& sheet = *wb.Sheets().Item(0);
    Check(file, "cells", CompareCells(wb, sheet, reading["cells"]));
    Check(file, "merged", CompareMerged(sheet, reading["merged"]));
    Check(file, "rows and columns", CompareRowsAndColumns(sheet, reading));
  }
  EXPECT_GE(compared, 50);
}

}  // namespace
