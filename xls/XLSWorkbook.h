#pragma once
// The in-memory workbook: an ordered list of sheets and the workbook-wide format tables. A
// sheet of 65536 rows by 256 columns is sparse: only cells, rows and columns that carry
// something exist as stored items (XLSItems.h).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xls/XLSCellComment.h"
#include "xls/XLSCells.h"
#include "xls/XLSFont.h"
#include "xls/XLSFormatXF.h"
#include "xls/XLSImages.h"
#include "xls/XLSItems.h"
#include "xls/XLSPageSetup.h"
#include "xls/XLSRects.h"
#include "xls/XLSRowCols.h"

class TFormatStrings;  // the number-format table (the cell text engine's XLSFormatStr.h)
class TStream;
class TXLSLinkTable;   // the link table (XLSLinkTable.h)
class TWorkbook;

struct TCellCoord {
  std::uint16_t Row = 0;
  std::uint8_t Column = 0;
  std::uint8_t RelativeFlags = 0;
};
using TCellCoords = std::vector<TCellCoord>;

struct TSheetWindowOptions {
  bool DisplayGrids = true;
  bool DisplayRightToLeft = false;
  bool DisplayRowColHeaders = true;
  bool DisplayZero = true;
  TCellCoord FreezePoint;  // row 0, column 0: nothing frozen
  std::uint16_t ZoomPercent = 100;
  bool PageBreakPreview = false;
};

// A data validation: its rule, texts and cells. The formulas stay empty: the token data is
// not turned into text.
struct TCellValidation {
  std::uint32_t Options = 0;  // the record's flags: type, error style, operator and switches
  std::u16string PromptTitle, ErrorTitle, PromptText, ErrorText;
  std::u16string Formula1, Formula2;
  TRangeRects Areas;          // the cells it applies to
};

// Data validations of a sheet, in file order.
class TCellValidations {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  const TCellValidation& Item(int AIndex) const { return FItems.at(AIndex); }
  void Add(TCellValidation AValidation) { FItems.push_back(std::move(AValidation)); }

 private:
  std::vector<TCellValidation> FItems;
};

class TSheet {
 public:
  explicit TSheet(TWorkbook* AWbk);

  TWorkbook* Workbook() const { return FWbk; }
  TCells& Cells() { return FCells; }
  TColumns& Columns() { return FColumns; }
  TRows& Rows() { return FRows; }
  TRanges& Ranges() { return FRanges; }
  TPageSetup& PageSetup() { return FPageSetup; }
  TCellCoords& PageBreaks() { return FPageBreaks; }
  TXLSImages& Images() { return FImages; }
  TCellValidations& CellValidations() { return FCellValidations; }
  TCellComments& CellComments() { return FCellComments; }
  // Position in the workbook's sheet list, -1 while not in it.
  int Index() const { return FIndex; }
  const std::u16string& Name() const { return FName; }
  // Checked like a new sheet's name (so the name the sheet already has is refused too);
  // raises EXLSError with the check's code.
  void SetName(const std::u16string& AName);
  bool IsProtected() const { return FProtectPasswordHash != 0; }
  std::uint16_t ProtectPasswordHash() const { return FProtectPasswordHash; }
  void SetProtectPasswordHash(std::uint16_t AValue) { FProtectPasswordHash = AValue; }
  std::uint16_t ProtectMode() const { return FProtectMode; }
  void SetProtectMode(std::uint16_t AValue) { FProtectMode = AValue; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool AValue) { FVisible = AValue; }

  // The rectangle spanned by the stored cells; false (and `ARect` untouched) when there are
  // none. RelativeFlags is left as it was.
  bool GetUsedRect(TRangeRect& ARect) const;
  // The first merged range holding the cell decides; within it, its last rectangle holding the
  // cell. `ARect` is written only when the result is true.
  bool FindMergedRectContainingCellCoord(int ARow, int AColumn, TRangeRect& ARect) const;
  bool FindMergedRectContainingCell(const TCell& ACell, TRangeRect& ARect) const {
    return FindMergedRectContainingCellCoord(ACell.Row(), ACell.Col(), ARect);
  }
  void GroupRows(int ARowFrom, int ARowTo);
  void UnGroupRows(int ARowFrom, int ARowTo);
  void GroupColumns(int AColumnFrom, int AColumnTo);
  void UnGroupColumns(int AColumnFrom, int AColumnTo);
  void Freeze(int ARow, int AColumn);
  void UnFreeze() { Freeze(0, 0); }
  // Finds the sheet's position in the workbook's list again.
  void UpdateIndex();

  // The used rectangle as an HTML table (XLSWriterHTML.h) in the file named by the 8-bit text
  // `AFileName`, or at the stream's position. A sheet without stored cells writes nothing: no
  // file is created and an existing one is left as it is.
  void SaveAsHTML(const std::string& AFileName);
  void SaveToStreamAsHTML(TStream& AStream);
  // The same for a given rectangle, also when it holds no stored cell.
  void SaveRectAsHTML(const std::string& AFileName, const TRangeRect& ARect);
  void SaveRectToStreamAsHTML(TStream& AStream, const TRangeRect& ARect);

  TSheetWindowOptions WindowOptions;  // view settings

 private:
  friend class TSheets;

  TWorkbook* FWbk;                                   // owner
  TCells FCells;
  TColumns FColumns;
  TRows FRows;
  TRanges FRanges;                                   // merged areas and named ranges
  int FIndex = -1;
  std::u16string FName;
  TPageSetup FPageSetup;
  TCellCoords FPageBreaks;
  TXLSImages FImages;
  TCommonWorkbookCellData* FCommonWorkbookCellData;  // the workbook's tables
  std::string FProtectPassword;
  std::uint16_t FProtectPasswordHash = 0;
  std::uint16_t FProtectMode = 0x4400;
  TCellValidations FCellValidations;
  TCellComments FCellComments;
  bool FVisible = true;
};

class TSheets {
 public:
  explicit TSheets(TWorkbook* AWbk) : FWbk(AWbk) {}

  int Count() const { return static_cast<int>(FSheets.size()); }
  // Raises ERangeError "List index (N) out of bounds !" outside 0..Count-1.
  TSheet* Item(int AIndex) const;
  // Appends a sheet named `ASheetName`; raises EXLSError with CheckSheetName's code.
  TSheet* Add(const std::u16string& ASheetName);
  // EXLS_BADSHEETNAMELENGTH for an empty name or one of 256 characters or more;
  // EXLS_BADSHEETNAME for a blank one or one already used; else EXLS_NOERROR.
  int CheckSheetName(const std::u16string& AName) const;
  // The first sheet with exactly this name (letter case counts), or nullptr.
  TSheet* FindByName(const std::u16string& AName) const;
  void Delete(int Ind);
  void DeleteByName(const std::u16string& ASheetName);
  void Clear() { FSheets.clear(); }

 private:
  friend class TSheet;

  std::vector<std::unique_ptr<TSheet>> FSheets;  // owned sheets, in order
  TWorkbook* FWbk;                               // the workbook
};

class TWorkbook {
 public:
  // A workbook with `ASheetCount` sheets named "Sheet1", "Sheet2", ... and default tables.
  explicit TWorkbook(int ASheetCount = 0);
  ~TWorkbook();
  TWorkbook(const TWorkbook&) = delete;
  TWorkbook& operator=(const TWorkbook&) = delete;

  TSheets& Sheets() { return *FSheets; }
  // The number-format table; none until the cell text engine provides it (see CreateTables).
  TFormatStrings* FormatStrings() const { return FFormatStrings.get(); }
  TVirtualFontTable& FontTable() { return *FFontTable; }
  TVirtualXFTable& XFTable() { return *FXFTable; }
  // The link table the reader fills; cleared with the workbook.
  TXLSLinkTable* LinkTable() const { return FLinkTable.get(); }
  bool IsProtected() const { return FProtectPasswordHash != 0; }
  std::uint16_t ProtectPasswordHash() const { return FProtectPasswordHash; }
  void SetProtectPasswordHash(std::uint16_t AValue) { FProtectPasswordHash = AValue; }
  TCommonWorkbookCellData* CommonWorkbookCellData() { return &FCommonWorkbookCellData; }
  TXLSProcessingState ProcessingState() const { return FCommonWorkbookCellData.ProcessingState; }
  void SetProcessingState(TXLSProcessingState AState) {
    FCommonWorkbookCellData.ProcessingState = AState;
  }
  // No sheets, new default tables, no protection; the processing state stays.
  void Clear();
  TSheet* SheetByName(const std::u16string& ASheetName) const {
    return FSheets->FindByName(ASheetName);
  }

 private:
  void CreateTables();

  std::unique_ptr<TSheets> FSheets;
  std::shared_ptr<TFormatStrings> FFormatStrings;  // the number-format table
  std::unique_ptr<TVirtualFontTable> FFontTable;
  std::unique_ptr<TVirtualXFTable> FXFTable;
  TCommonWorkbookCellData FCommonWorkbookCellData;  // points at the three tables above
  std::string FProtectPassword;
  std::uint16_t FProtectPasswordHash = 0;
  std::shared_ptr<TXLSLinkTable> FLinkTable;        // supporting documents and defined names
};
