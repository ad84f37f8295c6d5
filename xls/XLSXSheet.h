#pragma once
// The worksheet part of an .xlsx workbook read into a sheet of the model: cells with their
// values and formats (numbers under a date format become dates), column widths and formats,
// row heights and formats, hidden and grouped rows and columns, merged areas; hyperlinks are
// gathered for the reader, which resolves their targets. Cells beyond the model's 65,536 rows
// or 256 columns fail the read (EXLSError EXLS_BADROWCOL naming the cell).

#include <cstdint>
#include <string>
#include <vector>

#include "xls/XLSFile.h"
#include "xls/XLSError.h"
#include "xls/XLSXParts.h"
#include "xls/XmlReader.h"

class TCell;
class TSheet;

// A hyperlink as the sheet part writes it.
struct TXLSXHyperlink {
  std::string Ref;       // the cells, "A1" or "A1:B2"
  std::string Id;        // relationship of an outside target, or empty
  std::string Location;  // a place within the workbook, or empty
};

// A cell reference "A1" as zero-based row and column; false when it is none. Rows and columns
// beyond the model's limits are given as they are.
bool ParseCellRef(std::string_view AText, int& ARow, int& AColumn);
// "A1" or "A1:B2" as a rectangle of zero-based bounds; false when it is none.
bool ParseAreaRef(std::string_view AText, int& ARowFrom, int& AColumnFrom, int& ARowTo, int& AColumnTo);
// Raises EXLSError EXLS_BADROWCOL when the cell lies beyond the model's rows or columns;
// `AWhat` tells what lies there ("cell B70000").
void CheckCellLimits(int ARow, int AColumn, const std::string& AWhat);
// The number of a date-time value in days since 1899-12-30.
double SerialToDate(double ASerial, bool ADate1904);

class TXLSXSheetReader : public TXmlHandler {
 public:
  // Text characters the cells of one sheet may hold together.
  static constexpr std::int64_t kMaxTextCharacters = std::int64_t{64} << 20;

  TXLSXSheetReader(TSheet& ASheet, const std::vector<std::u16string>& ASharedStrings,
                   const TReaderOptions& AOptions, bool ADate1904);

  void StartElement(std::string_view AName, const TXmlAttributes& AAttributes) override;
  void EndElement(std::string_view AName) override;
  void Text(std::string_view AText) override;

  // Applies what the whole part decides (the default column width); call after the part.
  void Finish();
  const std::vector<TXLSXHyperlink>& Hyperlinks() const { return FHyperlinks; }
  // Counts the cells a merged area or hyperlink covers; EXLSError `ACode` once the sheet's
  // areas exceed TXLSReader::kMaxAreaCells.
  void CountAreaCells(int ARowFrom, int AColumnFrom, int ARowTo, int AColumnTo, TXLSErrorCode ACode);

 private:
  enum TCellType : std::uint8_t { ctNumber, ctShared, ctBoolean, ctError, ctText, ctInline, ctDate };

  void StartRow(const TXmlAttributes& AAttributes);
  void StartCell(const TXmlAttributes& AAttributes);
  void EndCell();
  void ReadColumn(const TXmlAttributes& AAttributes);
  void ReadMerge(const TXmlAttributes& AAttributes);
  // The cell's value from its text; false for none (errors, bad numbers).
  bool CellValue(TCellValue& AValue);
  void SetText(TCell* ACell, std::u16string AText);
  // The cell's format and the date rule, as the BIFF reader applies them.
  void ApplyCellFormat(TCell* ACell, int AXFIndex);
  bool IsDateFormat(int AXFIndex);
  // No number format, wrap, fill, merge, indent or border, and locked.
  bool PlainXF(int AXFIndex);
  std::string CellName() const;

  TSheet& FSheet;
  const std::vector<std::u16string>& FSharedStrings;
  TReaderOptions FOptions;
  bool FDate1904;
  std::vector<std::int8_t> FDateFormats;   // per XF: 1 date format, 0 not, -1 not yet known
  std::vector<TXLSXHyperlink> FHyperlinks;
  std::int64_t FTextCharacters = 0;        // characters of the texts stored so far
  std::int64_t FAreaCells = 0;             // cells covered by merged areas and hyperlinks
  double FDefaultWidth = -1;               // the sheet's default column width, characters
  bool FInSheetData = false;
  int FRow = -1;                           // current row, zero-based
  int FNextColumn = 0;                     // column of a cell without a reference
  // The cell being read.
  int FCellRow = 0, FCellColumn = 0, FCellXF = 0;
  TCellType FCellType = ctNumber;
  bool FHasValue = false, FHasFormula = false, FInValue = false, FInInline = false;
  std::string FValueText;                  // text of the value element
  TXLSXRichText FInlineText;               // text of an inline string
};
