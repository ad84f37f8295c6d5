// The handlers of the worksheet records: cells with the format and date rule, rows, columns,
// merged areas, hyperlinks and the sheet settings.

#include <cstring>
#include <string>

#include "xls/ListErrors.h"
#include "xls/XLSFormatStr.h"
#include "xls/XLSHyperlink.h"
#include "xls/XLSMetrics.h"
#include "xls/XLSReader.h"
#include "xls/XLSRecordData.h"

namespace {

// The number an RK value stands for: a 30-bit integer or the upper half of a double, either
// possibly divided by 100.
double DecodeRK(std::uint32_t rk) {
  double value;
  if (rk & 0x02) {
    value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
  } else {
    const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
    std::memcpy(&value, &bits, sizeof value);
  }
  return rk & 0x01 ? value / 100 : value;
}

}  // namespace

TFormatClass TXLSReader::BaseValueType(int AXFIndex) {
  std::int8_t& cached = FBaseValueTypes[static_cast<std::size_t>(AXFIndex)];
  if (cached < 0) cached = static_cast<std::int8_t>(FindBaseValueType(AXFIndex));
  return static_cast<TFormatClass>(cached);
}

TFormatClass TXLSReader::FindBaseValueType(int AXFIndex) {
  const int position = XFTable().LoadXFToBuffer(AXFIndex).FormatIndex;
  const TFormatStrings& formats = *FWorkbook->FormatStrings();
  if (position >= formats.FormatsCount()) return TFormatClass::None;
  const TNumberFormat& format = formats.Format(position);
  TFormatClass kind = ClassifyIfmt(format.ifmt);
  if (kind == TFormatClass::None && !format.FormatString.empty())
    kind = format.Code ? format.Code->Class() : ClassifyFormat(format.FormatString);
  return kind;
}

void TXLSReader::ApplyCellFormat(TCell* ACell, int AXFIndex) {
  if (AXFIndex < 0) return;
  if (static_cast<std::size_t>(AXFIndex) >= FBaseValueTypes.size()) {
    // An XF beyond the table leaves the cell its format; the kinds cover the table as it is
    // now (records are only ever added, so the kinds found stay true).
    const int count = XFTable().Count();
    if (AXFIndex >= count) return;
    FBaseValueTypes.resize(static_cast<std::size_t>(count), -1);
  }
  ACell->SetXFTableIndex(AXFIndex);
  if (BaseValueType(AXFIndex) != TFormatClass::Date) return;
  const double* number = std::get_if<double>(&ACell->Value());
  if (!number) return;
  // Serial 60 is the file format's 1900-02-29: serials up to it move up by one day.
  double date = *number + 1;
  if (date > 61) date -= 1;
  ACell->SetValue(TCellDate{date});
}

void TXLSReader::ReadNumber() {
  TEasyStream& data = Data();
  const std::uint16_t row = RecordWord(data), column = RecordWord(data), xf = RecordWord(data);
  TCell* cell = CurrentSheet()->Cells().StoredItem(row, column);
  cell->SetValue(RecordDouble(data));
  ApplyCellFormat(cell, xf);
}

void TXLSReader::ReadRK() {
  TEasyStream& data = Data();
  const std::uint16_t row = RecordWord(data), column = RecordWord(data), xf = RecordWord(data);
  TCell* cell = CurrentSheet()->Cells().StoredItem(row, column);
  cell->SetValue(DecodeRK(RecordDWord(data)));
  ApplyCellFormat(cell, xf);
}

void TXLSReader::ReadMulRK() {
  TEasyStream& data = Data();
  const std::uint16_t row = RecordWord(data);
  int column = RecordWord(data);
  TCells& cells = CurrentSheet()->Cells();
  while (data.ReadableSize() > 6) {
    const std::uint16_t xf = RecordWord(data);
    TCell* cell = cells.StoredItem(row, column++);
    cell->SetValue(DecodeRK(RecordDWord(data)));
    ApplyCellFormat(cell, xf);
  }
}

void TXLSReader::ReadLabel() {
  TEasyStream& data = Data();
  const std::uint16_t row = RecordWord(data), column = RecordWord(data), xf = RecordWord(data);
  const std::uint16_t count = RecordWord(data);
  TCell* cell = CurrentSheet()->Cells().StoredItem(row, column);
  if (count == 0) {
    cell->SetValue(std::u16string());
  } else {
    cell->SetValue(RecordFlaggedText(data, count));
  }
  ApplyCellFormat(cell, xf);
}

void TXLSReader::ReadLabelSST() {
  TEasyStream& data = Data();
  const std::uint16_t row = RecordWord(data), column = RecordWord(data), xf = RecordWord(data);
  const std::uint32_t index = RecordDWord(data);
  if (index >= FSST.Count()) throw EListError(static_cast<long>(index));
  TCell* cell = CurrentSheet()->Cells().StoredItem(row, column);
  cell->SetValue(TCellValue(std::u16string(FSST.At(index))));
  ApplyCellFormat(cell, xf);
}

bool TXLSReader::PlainXF(int AXFIndex) {
  const TXFData& xf = XFTable().LoadXFToBuffer(AXFIndex);
  return xf.FormatIndex == 0 && !xf.Wrap && xf.FillPattern == xlPatternNone && !xf.Merge &&
         xf.Indent == 0 && xf.Locked && xf.LeftBorderStyle == bsNone &&
         xf.RightBorderStyle == bsNone && xf.TopBorderStyle == bsNone && xf.BottomBorderStyle == bsNone;
}

void TXLSReader::ReadBlank() {
  if (!FOptions.ReadEmptyCells) return;
  TEasyStream& data = Data();
  const std::uint16_t row = RecordWord(data), column = RecordWord(data), xf = RecordWord(data);
  if (PlainXF(xf)) return;
  ApplyCellFormat(CurrentSheet()->Cells().Item(row, column), xf);
}

void TXLSReader::ReadMulBlank() {
  if (!FOptions.ReadEmptyCells) return;
  TEasyStream& data = Data();
  const std::uint16_t row = RecordWord(data);
  int column = RecordWord(data);
  TCells& cells = CurrentSheet()->Cells();
  for (; data.ReadableSize() > 2; ++column) {
    const std::uint16_t xf = RecordWord(data);
    if (xf < XFTable().Count() && !PlainXF(xf)) ApplyCellFormat(cells.Item(row, column), xf);
  }
}

void TXLSReader::ReadBoolErr() {
  TEasyStream& data = Data();
  const std::uint16_t row = RecordWord(data), column = RecordWord(data), xf = RecordWord(data);
  const std::uint16_t value = RecordWord(data);  // value byte and error flag
  if (value > 1) return;                         // error values make no cell
  TCell* cell = CurrentSheet()->Cells().StoredItem(row, column);
  cell->SetValue(value == 1);
  ApplyCellFormat(cell, xf);
}

void TXLSReader::ReadFormula() {
  TEasyStream& data = Data();
  const std::uint16_t row = RecordWord(data), column = RecordWord(data), xf = RecordWord(data);
  std::uint8_t result[8] = {};
  data.ReadBytes(result, 8);
  TCell* cell = CurrentSheet()->Cells().Item(row, column);
  if (result[6] == 0xFF && result[7] == 0xFF) {
    if (result[0] == 0) {  // a string: its text comes in the STRING record that follows
      FRow = row;
      FColumn = column;
      FXFIndex = xf;
    } else if (result[0] == 1) {
      cell->SetValue(result[2] == 1);
    }  // an error or an empty result gives no value
  } else {
    double value;
    std::memcpy(&value, result, sizeof value);
    cell->SetValue(value);
  }
  ApplyCellFormat(cell, xf);
  if (!FOptions.ReadFormulas) return;
  const std::string options = RecordBytes(data, 2);
  data.SkipBytes(4);
  const std::uint16_t size = RecordWord(data);
  FFormulas.push_back(options + RecordBytes(data, size));
  FFormulaCells.push_back({FCurrentSheetIndex, row, column});
  cell->SetFormula(std::to_string(FFormulas.size() - 1));
}

void TXLSReader::ReadString() {
  if (FRow < 0 || FColumn < 0 || FXFIndex < 0) return;
  const std::uint16_t count = RecordWord(Data());
  const std::uint8_t flags = RecordByte(Data());
  std::u16string text;
  ReadContinuedChars(count, (flags & 1) != 0, text);
  TCell* cell = CurrentSheet()->Cells().StoredItem(FRow, FColumn);
  cell->SetValue(TCellValue(std::move(text)));
  ApplyCellFormat(cell, FXFIndex);
  FRow = FColumn = FXFIndex = -1;
}

void TXLSReader::ReadSharedFormula() {
  if (FOptions.ReadFormulas) FSharedFormulas.push_back({FCurrentSheetIndex, RecordRest(Data())});
}

void TXLSReader::ReadRow() {
  if (!FOptions.ReadRowFormats) return;
  TEasyStream& data = Data();
  const std::uint16_t index = RecordWord(data);
  data.SkipBytes(4);  // first and last column
  const std::uint16_t height = RecordWord(data);
  data.SkipBytes(4);
  const std::uint16_t options = RecordWord(data);
  const std::uint16_t xf = RecordWord(data) & 0x0FFF;
  TSheet* sheet = CurrentSheet();
  TRow* row = sheet->Rows().Item(index);
  row->SetHeight(height / 20.0);
  if (options & 0x20) row->SetHidden(true);
  if (options & 0x07) {
    // Grouping asks for the row again, which may free a transient one: ask once more.
    for (int level = options & 0x07; level > 0; --level) sheet->GroupRows(index, index);
    row = sheet->Rows().Item(index);
  }
  if (!(options & 0x40)) row->AutoFit();
  if ((options & 0x80) && xf < XFTable().Count()) row->SetXFTableIndex(xf);
}

void TXLSReader::ReadColInfo() {
  if (!FOptions.ReadColumnFormats) return;
  TEasyStream& data = Data();
  const std::uint16_t first = RecordWord(data);
  const std::uint16_t last = std::min<std::uint16_t>(RecordWord(data), 255);
  const std::uint16_t width = RecordWord(data), xf = RecordWord(data), options = RecordWord(data);
  TSheet* sheet = CurrentSheet();
  for (int index = first; index <= last; ++index) {
    TColumn* column = sheet->Columns().Item(index);
    column->SetWidth(FileColumnWidthToColumnWidth(width));
    if (options & 0x01) column->SetHidden(true);
    column->SetXFTableIndex(xf);  // checked after reading
  }
  for (int level = (options >> 8) & 0x07; level > 0; --level)
    sheet->GroupColumns(first & 0xFF, last & 0xFF);
}

void TXLSReader::ReadMergedCells() {
  TEasyStream& data = Data();
  data.SkipBytes(2);  // count
  TSheet* sheet = CurrentSheet();
  while (data.ReadableSize() >= 8) {
    const std::uint16_t row_from = RecordWord(data), row_to = RecordWord(data);
    const std::uint16_t column_from = RecordWord(data), column_to = RecordWord(data);
    CountAreaCells(row_from, row_to, column_from & 0xFF, column_to & 0xFF, EXLS_BADROWCOL);
    TRange* range = sheet->Ranges().Add();
    range->AddRect(row_from, row_to, column_from & 0xFF, column_to & 0xFF);
    range->MergeCells();
  }
}

void TXLSReader::CountAreaCells(int ARowFrom, int ARowTo, int AColumnFrom, int AColumnTo,
                                TXLSErrorCode ACode) {
  if (ARowTo < ARowFrom || AColumnTo < AColumnFrom) return;
  FAreaCells += std::int64_t{ARowTo - ARowFrom + 1} * (AColumnTo - AColumnFrom + 1);
  if (FAreaCells > kMaxAreaCells) throw EXLSError(ACode);
}

void TXLSReader::ReadHyperlink() {
  const THyperlinkRecord link = ParseHyperlinkRecord(RecordRest(Data()));
  if (link.Text.empty()) return;
  CountAreaCells(link.RowFrom, link.RowTo, link.ColumnFrom, link.ColumnTo, EXLS_INVALIDHLINK);
  TCells& cells = CurrentSheet()->Cells();
  for (int row = link.RowFrom; row <= link.RowTo; ++row)
    for (int column = link.ColumnFrom; column <= link.ColumnTo; ++column) {
      TCell* cell = cells.Item(row, column);
      cell->SetHyperlink(link.Text);
      cell->SetHyperlinkType(link.Type);
    }
}

void TXLSReader::ReadSheetSetting() {
  TEasyStream& data = Data();
  TSheet* sheet = CurrentSheet();
  TPageSetup& setup = sheet->PageSetup();
  TSheetWindowOptions& window = sheet->WindowOptions;
  switch (FBIFFRecord->RecNum) {
    case 0x0867:  // FEATHEADR: the sheet's protection options
      if (data.ReadableSize() > 20) {
        data.SkipBytes(19);
        sheet->SetProtectMode(RecordWord(data));
      }
      break;
    case 0x023E: {  // WINDOW2
      const std::uint16_t options = RecordWord(data);
      window.DisplayGrids = (options & 0x0002) != 0;
      window.DisplayRowColHeaders = (options & 0x0004) != 0;
      window.DisplayZero = (options & 0x0010) != 0;
      window.DisplayRightToLeft = (options & 0x0040) != 0;
      window.PageBreakPreview = (options & 0x0800) != 0;
      break;
    }
    case 0x0041: {  // PANE
      window.FreezePoint.Column = static_cast<std::uint8_t>(RecordWord(data));
      window.FreezePoint.Row = RecordWord(data);
      break;
    }
    case 0x00A0: {  // SCL
      const std::uint16_t numerator = RecordWord(data), denominator = RecordWord(data);
      if (denominator != 0) window.ZoomPercent = static_cast<std::uint16_t>(numerator * 100 / denominator);
      break;
    }
    case 0x0081: {  // WSBOOL
      const std::uint8_t low = RecordByte(data), high = RecordByte(data);
      setup.RowGroupAtTop = !(low & 0x40);
      setup.ColumnGroupAtLeft = !(low & 0x80);
      setup.Zoom = !(high & 0x01);
      break;
    }
    case 0x002A: setup.PrintRowColLabels = RecordWord(data) == 1; break;
    case 0x002B: setup.PrintGrid = RecordWord(data) == 1; break;
    case 0x0083: setup.CenterHorizontally = RecordWord(data) == 1; break;
    case 0x0084: setup.CenterVertically = RecordWord(data) == 1; break;
    case 0x0026: setup.LeftMargin = RecordDouble(data); break;
    case 0x0027: setup.RightMargin = RecordDouble(data); break;
    case 0x0028: setup.TopMargin = RecordDouble(data); break;
    case 0x0029: setup.BottomMargin = RecordDouble(data); break;
    default: break;
  }
}

void TXLSReader::ReadHeaderFooter() {
  TEasyStream& data = Data();
  if (data.Size() == 0) return;
  const std::uint16_t count = RecordWord(data);
  const std::u16string text = RecordFlaggedText(data, count);
  TPageSetup& setup = CurrentSheet()->PageSetup();
  const bool header = FBIFFRecord->RecNum == 0x0014;
  std::u16string* section[] = {header ? &setup.HeaderTextLeft : &setup.FooterTextLeft,
                               header ? &setup.HeaderText : &setup.FooterText,
                               header ? &setup.HeaderTextRight : &setup.FooterTextRight};
  // Each of "&L", "&C" and "&R" starts its section, which ends where the next one starts.
  auto marker_at = [&text](std::size_t i) -> int {
    if (i + 1 >= text.size() || text[i] != u'&') return -1;
    switch (text[i + 1]) {
      case u'L': return 0;
      case u'C': return 1;
      case u'R': return 2;
      default: return -1;
    }
  };
  int current = -1;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const int marker = i < text.size() ? marker_at(i) : 3;
    if (marker < 0) continue;
    if (current >= 0) *section[current] = text.substr(start, i - start);
    if (marker == 3) break;
    current = marker;
    start = i + 2;
    ++i;
  }
}

void TXLSReader::ReadSetup() {
  TEasyStream& data = Data();
  TPageSetup& setup = CurrentSheet()->PageSetup();
  setup.PaperSize = static_cast<TXLPaperSize>(RecordWord(data) & 0xFF);
  setup.Scale = RecordWord(data);
  setup.StartPageNum = RecordWord(data);
  setup.FitPagesWidth = RecordWord(data);
  setup.FitPagesHeight = RecordWord(data);
  const std::uint16_t options = RecordWord(data);
  setup.PrintPagesOrder = options & 0x01 ? xlOverDown : xlDownOver;
  setup.Orientation = options & 0x02 ? xlPortrait : xlLandscape;  // the flag says portrait
  setup.BlackAndWhite = (options & 0x08) != 0;
  setup.Draft = (options & 0x10) != 0;
  if (!(options & 0x80)) setup.StartPageNum = -1;  // automatic
  data.SkipBytes(4);  // resolutions
  setup.HeaderMargin = RecordDouble(data);
  setup.FooterMargin = RecordDouble(data);
}

void TXLSReader::ReadDataValidation() {
  TEasyStream& data = Data();
  TCellValidation validation;
  validation.Options = RecordDWord(data);
  for (std::u16string* text : {&validation.PromptTitle, &validation.ErrorTitle,
                               &validation.PromptText, &validation.ErrorText}) {
    const std::uint16_t count = RecordWord(data);
    *text = RecordFlaggedText(data, count);
  }
  for (int i = 0; i < 2; ++i) {  // the two formulas: size, 2 unused bytes, tokens
    const std::uint16_t size = RecordWord(data);
    data.SkipBytes(2 + std::int64_t{size});
  }
  const std::uint16_t count = RecordWord(data);
  for (int i = 0; i < count && data.ReadableSize() >= 8; ++i) {
    const std::uint16_t row_from = RecordWord(data), row_to = RecordWord(data);
    const std::uint16_t column_from = RecordWord(data), column_to = RecordWord(data);
    validation.Areas.AddRect(row_from, row_to, column_from & 0xFF, column_to & 0xFF);
  }
  CurrentSheet()->CellValidations().Add(std::move(validation));
}
