#include "xls/XLSXSheet.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/utf.h"
#include "xls/XLSError.h"
#include "xls/XLSFormatClass.h"
#include "xls/XLSFormatStr.h"
#include "xls/XLSMetrics.h"
#include "xls/XLSReader.h"
#include "xls/XLSWorkbook.h"
#include "xls/XLSXStyles.h"

namespace {

constexpr int kMaxRows = 65536;
constexpr int kMaxColumns = 256;
constexpr std::size_t kMaxCellText = 65535;

// "A", "IV", "XFD" of a zero-based column.
std::string ColumnName(int AColumn) {
  std::string name;
  for (int c = AColumn + 1; c > 0; c = (c - 1) / 26) name.insert(name.begin(), static_cast<char>('A' + (c - 1) % 26));
  return name;
}

std::string CellRefText(int ARow, int AColumn) { return ColumnName(AColumn) + std::to_string(ARow + 1); }

bool ParseDouble(std::string_view AText, double& AValue) {
  while (!AText.empty() && (AText.front() == ' ' || AText.front() == '\t' || AText.front() == '\n')) AText.remove_prefix(1);
  while (!AText.empty() && (AText.back() == ' ' || AText.back() == '\t' || AText.back() == '\n')) AText.remove_suffix(1);
  const auto [end, error] = std::from_chars(AText.data(), AText.data() + AText.size(), AValue);
  return error == std::errc() && end == AText.data() + AText.size() && std::isfinite(AValue);
}

// A date-time written as ISO 8601 ("2024-03-01T12:30:00") as a serial of the 1900 system.
bool ParseIsoDate(std::string_view AText, double& ASerial) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  double second = 0;
  const std::string text(AText);
  const int parsed = std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%lf", &year, &month, &day, &hour, &minute, &second);
  if (parsed < 3 || month < 1 || month > 12 || day < 1 || day > 31) return false;
  // Days from 1899-12-30 by the civil calendar.
  auto days_from_civil = [](int y, int m, int d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
  };
  const double days = days_from_civil(year, month, day) - days_from_civil(1899, 12, 30);
  // Back to a serial: serials up to 60 count the file format's 1900-02-29.
  const double date = days + (hour * 3600 + minute * 60 + second) / 86400.0;
  ASerial = date < 61 ? date - 1 : date;
  return true;
}

}  // namespace

bool ParseCellRef(std::string_view AText, int& ARow, int& AColumn) {
  std::size_t i = 0;
  int column = 0;
  for (; i < AText.size() && i < 4; ++i) {
    const char c = AText[i];
    if (c < 'A' || c > 'Z') break;
    column = column * 26 + (c - 'A' + 1);
  }
  if (i == 0 || i > 3) return false;
  long row = 0;
  const std::size_t digits = i;
  for (; i < AText.size() && i < digits + 8; ++i) {
    const char c = AText[i];
    if (c < '0' || c > '9') return false;
    row = row * 10 + (c - '0');
  }
  if (i == digits || i != AText.size() || row < 1) return false;
  ARow = static_cast<int>(row - 1);
  AColumn = column - 1;
  return true;
}

bool ParseAreaRef(std::string_view AText, int& ARowFrom, int& AColumnFrom, int& ARowTo, int& AColumnTo) {
  const std::size_t colon = AText.find(':');
  if (!ParseCellRef(AText.substr(0, colon), ARowFrom, AColumnFrom)) return false;
  if (colon == std::string_view::npos) {
    ARowTo = ARowFrom;
    AColumnTo = AColumnFrom;
    return true;
  }
  if (!ParseCellRef(AText.substr(colon + 1), ARowTo, AColumnTo)) return false;
  if (ARowTo < ARowFrom) std::swap(ARowFrom, ARowTo);
  if (AColumnTo < AColumnFrom) std::swap(AColumnFrom, AColumnTo);
  return true;
}

void CheckCellLimits(int ARow, int AColumn, const std::string& AWhat) {
  if (ARow < kMaxRows && AColumn < kMaxColumns) return;
  throw EXLSError(EXLS_BADROWCOL, u"",
                  Utf8ToUtf16("The " + AWhat + " lies beyond the 65,536 rows and 256 columns (A to IV) "
                              "a sheet can hold here."));
}

double SerialToDate(double ASerial, bool ADate1904) {
  if (ADate1904) return ASerial + 1462;  // 1904-01-01 is day 1462 after 1899-12-30
  // Serial 60 is the file format's 1900-02-29: serials up to it move up by one day.
  const double date = ASerial + 1;
  return date > 61 ? date - 1 : date;
}

TXLSXSheetReader::TXLSXSheetReader(TSheet& ASheet, const std::vector<std::u16string>& ASharedStrings,
                                   const TReaderOptions& AOptions, bool ADate1904)
    : FSheet(ASheet), FSharedStrings(ASharedStrings), FOptions(AOptions), FDate1904(ADate1904) {}

void TXLSXSheetReader::StartElement(std::string_view AName, const TXmlAttributes& AAttributes) {
  if (FInSheetData) {
    if (AName == "c") {
      StartCell(AAttributes);
    } else if (AName == "v") {
      FInValue = true;
      FValueText.clear();
    } else if (AName == "f") {
      FHasFormula = true;
    } else if (AName == "is") {
      FInInline = true;
    } else if (FInInline) {
      FInlineText.Start(AName);
    } else if (AName == "row") {
      StartRow(AAttributes);
    }
    return;
  }
  if (AName == "sheetData") {
    FInSheetData = true;
  } else if (AName == "col") {
    ReadColumn(AAttributes);
  } else if (AName == "mergeCell") {
    ReadMerge(AAttributes);
  } else if (AName == "hyperlink") {
    const char* ref = AAttributes.Find("ref");
    const char* id = AAttributes.Find("id");
    const char* location = AAttributes.Find("location");
    if (ref) FHyperlinks.push_back({ref, id ? id : "", location ? location : ""});
  } else if (AName == "sheetFormatPr") {
    const char* width = AAttributes.Find("defaultColWidth");
    if (width) FDefaultWidth = std::strtod(width, nullptr);
  }
}

void TXLSXSheetReader::EndElement(std::string_view AName) {
  if (!FInSheetData) return;
  if (AName == "c") {
    EndCell();
  } else if (AName == "v") {
    FInValue = false;
    FHasValue = true;
  } else if (AName == "is") {
    FInInline = false;
    FHasValue = true;
  } else if (FInInline) {
    FInlineText.End(AName);
  } else if (AName == "sheetData") {
    FInSheetData = false;
  }
}

void TXLSXSheetReader::Text(std::string_view AText) {
  if (FInValue) FValueText += AText;
  else if (FInInline) FInlineText.Add(AText);
}

void TXLSXSheetReader::StartRow(const TXmlAttributes& AAttributes) {
  const char* number = AAttributes.Find("r");
  FRow = number ? XmlIndex(number, 1 << 21, 0) - 1 : FRow + 1;
  if (number && FRow < 0) RaiseDamagedPackage("row number " + std::string(number) + " is invalid");
  FNextColumn = 0;
  if (FRow >= kMaxRows || !FOptions.ReadRowFormats) return;  // formats alone of far rows are no data
  TRow* row = FSheet.Rows().Item(FRow);
  if (const char* height = AAttributes.Find("ht")) {
    const double points = std::strtod(height, nullptr);
    if (points > 0 && points <= 409.5) {
      row->SetHeight(std::lround(points * 20) / 20.0);
      if (!XmlBool(AAttributes.Find("customHeight"), false)) row->AutoFit();
    }
  }
  if (XmlBool(AAttributes.Find("hidden"), false)) row->SetHidden(true);
  for (int level = XmlIndex(AAttributes.Find("outlineLevel"), 8, 0); level > 0; --level) FSheet.GroupRows(FRow, FRow);
  const int xf = XmlIndex(AAttributes.Find("s"), FSheet.Workbook()->XFTable().Count(), -1);
  if (xf >= 0 && XmlBool(AAttributes.Find("customFormat"), false)) FSheet.Rows().Item(FRow)->SetXFTableIndex(xf);
}

void TXLSXSheetReader::StartCell(const TXmlAttributes& AAttributes) {
  if (FRow < 0) FRow = 0;  // a cell outside any row belongs to the first
  if (const char* ref = AAttributes.Find("r")) {
    if (!ParseCellRef(ref, FCellRow, FCellColumn)) RaiseDamagedPackage("cell reference " + std::string(ref) + " is invalid");
  } else {
    FCellRow = FRow;
    FCellColumn = FNextColumn;
  }
  FNextColumn = FCellColumn + 1;
  FCellXF = XmlIndex(AAttributes.Find("s"), 1 << 30, 0);
  const char* type = AAttributes.Find("t");
  const std::string_view kind = type ? type : "n";
  FCellType = kind == "s" ? ctShared : kind == "b" ? ctBoolean : kind == "e" ? ctError
              : kind == "str" ? ctText : kind == "inlineStr" ? ctInline : kind == "d" ? ctDate : ctNumber;
  FHasValue = FHasFormula = FInValue = FInInline = false;
  FValueText.clear();
  FInlineText.Take();
}

bool TXLSXSheetReader::CellValue(TCellValue& AValue) {
  double number = 0;
  switch (FCellType) {
    case ctNumber:
      if (!ParseDouble(FValueText, number)) return false;
      AValue = number;
      return true;
    case ctDate:
      if (!ParseIsoDate(FValueText, number)) return false;
      AValue = number;
      return true;
    case ctBoolean:
      if (!ParseDouble(FValueText, number)) return false;
      AValue = number != 0;
      return true;
    case ctShared: {
      if (!ParseDouble(FValueText, number) || number < 0 || number >= static_cast<double>(FSharedStrings.size()))
        RaiseDamagedPackage("cell " + CellName() + " names a shared string the table lacks");
      AValue = FSharedStrings[static_cast<std::size_t>(number)];
      return true;
    }
    case ctText: AValue = Utf8ToUtf16(FValueText); return true;
    case ctInline: AValue = FInlineText.Take(); return true;
    case ctError: return false;
  }
  return false;
}

void TXLSXSheetReader::EndCell() {
  if (FCellRow >= kMaxRows || FCellColumn >= kMaxColumns) CheckCellLimits(FCellRow, FCellColumn, "cell " + CellName());
  TCells& cells = FSheet.Cells();
  TCellValue value;
  if (FHasValue && CellValue(value)) {
    TCell* cell = cells.Item(FCellRow, FCellColumn);
    if (auto* text = std::get_if<std::u16string>(&value)) SetText(cell, std::move(*text));
    else cell->SetValue(value);
    ApplyCellFormat(cell, FCellXF);
  } else if (FCellType == ctError && FHasFormula) {
    ApplyCellFormat(cells.Item(FCellRow, FCellColumn), FCellXF);  // an error result gives no value
  } else if (FCellType != ctError && FOptions.ReadEmptyCells &&
             FCellXF < FSheet.Workbook()->XFTable().Count() && !PlainXF(FCellXF)) {
    ApplyCellFormat(cells.Item(FCellRow, FCellColumn), FCellXF);
  }
}

void TXLSXSheetReader::SetText(TCell* ACell, std::u16string AText) {
  if (AText.size() > kMaxCellText) {
    throw EXLSError(EXLS_BADCELLVALUE, u"",
                    Utf8ToUtf16("Cell " + CellName() + " holds " + std::to_string(AText.size()) +
                                " characters; a cell holds at most 65,535."));
  }
  FTextCharacters += static_cast<std::int64_t>(AText.size());
  if (FTextCharacters > kMaxTextCharacters) {
    throw EXLSError(EXLS_BADCELLVALUE, u"",
                    Utf8ToUtf16("The texts of the first sheet exceed " +
                                std::to_string(kMaxTextCharacters) + " characters."));
  }
  ACell->SetValue(std::move(AText));
}

bool TXLSXSheetReader::IsDateFormat(int AXFIndex) {
  TVirtualXFTable& xfs = FSheet.Workbook()->XFTable();
  if (FDateFormats.size() != static_cast<std::size_t>(xfs.Count()))
    FDateFormats.assign(static_cast<std::size_t>(xfs.Count()), -1);
  std::int8_t& known = FDateFormats[static_cast<std::size_t>(AXFIndex)];
  if (known >= 0) return known == 1;
  const int position = xfs.LoadXFToBuffer(AXFIndex).FormatIndex;
  const TFormatStrings& formats = *FSheet.Workbook()->FormatStrings();
  TFormatClass kind = TFormatClass::None;
  if (position < formats.FormatsCount()) {
    const TNumberFormat& format = formats.Format(position);
    kind = ClassifyIfmt(format.ifmt);
    if (kind == TFormatClass::None && !format.FormatString.empty())
      kind = format.Code ? format.Code->Class() : ClassifyFormat(format.FormatString);
  }
  known = kind == TFormatClass::Date ? 1 : 0;
  return known == 1;
}

void TXLSXSheetReader::ApplyCellFormat(TCell* ACell, int AXFIndex) {
  if (AXFIndex < 0 || AXFIndex >= FSheet.Workbook()->XFTable().Count()) return;
  ACell->SetXFTableIndex(AXFIndex);
  if (!IsDateFormat(AXFIndex)) return;
  if (const double* number = std::get_if<double>(&ACell->Value()))
    ACell->SetValue(TCellDate{SerialToDate(*number, FDate1904)});
}

bool TXLSXSheetReader::PlainXF(int AXFIndex) {
  const TXFData& xf = FSheet.Workbook()->XFTable().LoadXFToBuffer(AXFIndex);
  return xf.FormatIndex == 0 && !xf.Wrap && xf.FillPattern == xlPatternNone && !xf.Merge &&
         xf.Indent == 0 && xf.Locked && xf.LeftBorderStyle == bsNone &&
         xf.RightBorderStyle == bsNone && xf.TopBorderStyle == bsNone && xf.BottomBorderStyle == bsNone;
}

void TXLSXSheetReader::ReadColumn(const TXmlAttributes& AAttributes) {
  if (!FOptions.ReadColumnFormats) return;
  constexpr int kColumnsOfFormat = 16384;
  const int first = XmlIndex(AAttributes.Find("min"), kColumnsOfFormat + 1, 0) - 1;
  const int last = std::min(XmlIndex(AAttributes.Find("max"), kColumnsOfFormat + 1, 0), kMaxColumns) - 1;
  // Formats of the columns beyond IV hold no data: they are left out.
  if (first < 0 || first >= kMaxColumns || last < first) return;
  const char* width = AAttributes.Find("width");
  const double characters = width ? std::strtod(width, nullptr) : -1;
  const bool hidden = XmlBool(AAttributes.Find("hidden"), false);
  const int xf = XmlIndex(AAttributes.Find("style"), FSheet.Workbook()->XFTable().Count(), -1);
  for (int index = first; index <= last; ++index) {
    TColumn* column = FSheet.Columns().Item(index);
    if (characters >= 0 && characters <= 255)
      column->SetWidth(FileColumnWidthToColumnWidth(std::nearbyint(characters * 256)));
    if (hidden) column->SetHidden(true);
    if (xf > 0) column->SetXFTableIndex(xf);
  }
  for (int level = XmlIndex(AAttributes.Find("outlineLevel"), 8, 0); level > 0; --level)
    FSheet.GroupColumns(first, last);
}

void TXLSXSheetReader::ReadMerge(const TXmlAttributes& AAttributes) {
  const char* ref = AAttributes.Find("ref");
  int row_from, column_from, row_to, column_to;
  if (!ref || !ParseAreaRef(ref, row_from, column_from, row_to, column_to))
    RaiseDamagedPackage("merged area " + std::string(ref ? ref : "") + " is invalid");
  CheckCellLimits(row_to, column_to, "merged area " + std::string(ref));
  CountAreaCells(row_from, column_from, row_to, column_to, EXLS_BADROWCOL);
  TRange* range = FSheet.Ranges().Add();
  range->AddRect(row_from, row_to, column_from, column_to);
  range->MergeCells();
}

void TXLSXSheetReader::CountAreaCells(int ARowFrom, int AColumnFrom, int ARowTo, int AColumnTo,
                                      TXLSErrorCode ACode) {
  FAreaCells += std::int64_t{ARowTo - ARowFrom + 1} * (AColumnTo - AColumnFrom + 1);
  if (FAreaCells > TXLSReader::kMaxAreaCells) throw EXLSError(ACode);
}

void TXLSXSheetReader::Finish() {
  if (FDefaultWidth < 0 || FDefaultWidth > 255 || !FOptions.ReadColumnFormats) return;
  const double width = FileColumnWidthToColumnWidth(std::nearbyint(FDefaultWidth * 256));
  if (width == PixelsToColumnWidth(DisplayMetrics().DefaultColumnWidthPx)) return;
  TColumns& columns = FSheet.Columns();
  for (int index = 0; index < kMaxColumns; ++index)
    if (!columns.ItemExists(index)) columns.Item(index)->SetWidth(width);
}

std::string TXLSXSheetReader::CellName() const { return CellRefText(FCellRow, FCellColumn); }
