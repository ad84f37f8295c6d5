#include "xls/XLSWorkbook.h"

#include "xls/XLSFormatStr.h"
#include "xls/XLSLinkTable.h"

#include <algorithm>

#include "platform/format.h"
#include "xls/ListErrors.h"
#include "xls/XLSError.h"
#include "xls/XLSWriterHTML.h"

// ---- TSheet ----

TSheet::TSheet(TWorkbook* AWbk)
    : FWbk(AWbk),
      FCells(this, AWbk->CommonWorkbookCellData()),
      FColumns(this, AWbk->CommonWorkbookCellData()),
      FRows(this, AWbk->CommonWorkbookCellData()),
      FRanges(this),
      FPageSetup(this),
      FCommonWorkbookCellData(AWbk->CommonWorkbookCellData()) {
  UpdateIndex();
}

void TSheet::SetName(const std::u16string& AName) {
  const int code = FWbk->Sheets().CheckSheetName(AName);
  if (code != EXLS_NOERROR) throw EXLSError(static_cast<TXLSErrorCode>(code));
  FName = AName;
}

void TSheet::UpdateIndex() {
  FIndex = -1;
  const auto& sheets = FWbk->Sheets().FSheets;
  for (std::size_t i = 0; i < sheets.size(); ++i)
    if (sheets[i].get() == this) FIndex = static_cast<int>(i);
}

bool TSheet::GetUsedRect(TRangeRect& ARect) const {
  if (FCells.Count() == 0) return false;
  int row_from = 65535, column_from = 255, row_to = 0, column_to = 0;
  for (int i = 0; i < FCells.Count(); ++i) {
    const TCell* cell = FCells.ItemByIndex(i);
    row_from = std::min<int>(row_from, cell->Row());
    row_to = std::max<int>(row_to, cell->Row());
    column_from = std::min<int>(column_from, cell->Col());
    column_to = std::max<int>(column_to, cell->Col());
  }
  ARect.RowFrom = static_cast<std::uint16_t>(row_from);
  ARect.RowTo = static_cast<std::uint16_t>(row_to);
  ARect.ColumnFrom = static_cast<std::uint8_t>(column_from);
  ARect.ColumnTo = static_cast<std::uint8_t>(column_to);
  return true;
}

bool TSheet::FindMergedRectContainingCellCoord(int ARow, int AColumn, TRangeRect& ARect) const {
  for (int i = 0; i < FRanges.RangesCount(); ++i) {
    const TRange* range = FRanges.Item(i);
    if (range->Merged() && range->FindRectContainingCellCoord(ARow, AColumn, ARect)) return true;
  }
  return false;
}

void TSheet::GroupRows(int ARowFrom, int ARowTo) {
  for (int i = ARowFrom; i <= ARowTo; ++i) FRows.Item(i)->IncOutlineLevel();
}

void TSheet::UnGroupRows(int ARowFrom, int ARowTo) {
  for (int i = ARowFrom; i <= ARowTo; ++i) FRows.Item(i)->DecOutlineLevel();
}

void TSheet::GroupColumns(int AColumnFrom, int AColumnTo) {
  for (int i = AColumnFrom; i <= AColumnTo; ++i) FColumns.Item(i)->IncOutlineLevel();
}

void TSheet::UnGroupColumns(int AColumnFrom, int AColumnTo) {
  for (int i = AColumnFrom; i <= AColumnTo; ++i) FColumns.Item(i)->DecOutlineLevel();
}

void TSheet::Freeze(int ARow, int AColumn) {
  WindowOptions.FreezePoint.Row = static_cast<std::uint16_t>(ARow);
  WindowOptions.FreezePoint.Column = static_cast<std::uint8_t>(AColumn);
}

void TSheet::SaveAsHTML(const std::string& AFileName) {
  TRangeRect rect;
  if (GetUsedRect(rect)) SaveRectAsHTML(AFileName, rect);
}

void TSheet::SaveToStreamAsHTML(TStream& AStream) {
  TRangeRect rect;
  if (GetUsedRect(rect)) SaveRectToStreamAsHTML(AStream, rect);
}

void TSheet::SaveRectAsHTML(const std::string& AFileName, const TRangeRect& ARect) {
  TXLSWriterHTML(this).Save(AFileName, ARect);
}

void TSheet::SaveRectToStreamAsHTML(TStream& AStream, const TRangeRect& ARect) {
  TXLSWriterHTML(this).SaveToStream(AStream, ARect);
}

// ---- TSheets ----

TSheet* TSheets::Item(int AIndex) const {
  if (AIndex < 0 || AIndex >= Count())
    throw ERangeError(Format(u"List index (%d) out of bounds !", {AIndex}));
  return FSheets[AIndex].get();
}

int TSheets::CheckSheetName(const std::u16string& AName) const {
  if (AName.empty() || AName.size() >= 256) return EXLS_BADSHEETNAMELENGTH;
  const bool blank = std::all_of(AName.begin(), AName.end(), [](char16_t c) { return c <= u' '; });
  if (blank || FindByName(AName)) return EXLS_BADSHEETNAME;
  return EXLS_NOERROR;
}

TSheet* TSheets::Add(const std::u16string& ASheetName) {
  const int code = CheckSheetName(ASheetName);
  if (code != EXLS_NOERROR) throw EXLSError(static_cast<TXLSErrorCode>(code));
  auto sheet = std::make_unique<TSheet>(FWbk);
  sheet->FName = ASheetName;
  sheet->FIndex = Count();
  FSheets.push_back(std::move(sheet));
  return FSheets.back().get();
}

TSheet* TSheets::FindByName(const std::u16string& AName) const {
  for (const auto& sheet : FSheets)
    if (sheet->Name() == AName) return sheet.get();
  return nullptr;
}

void TSheets::Delete(int Ind) {
  Item(Ind);  // range check
  FSheets.erase(FSheets.begin() + Ind);
  for (const auto& sheet : FSheets) sheet->UpdateIndex();
}

void TSheets::DeleteByName(const std::u16string& ASheetName) {
  for (int i = 0; i < Count(); ++i)
    if (FSheets[i]->Name() == ASheetName) return Delete(i);
}

// ---- TWorkbook ----

TWorkbook::TWorkbook(int ASheetCount) {
  CreateTables();
  FSheets = std::make_unique<TSheets>(this);
  for (int i = 1; i <= ASheetCount; ++i) FSheets->Add(u"Sheet" + Format(u"%d", {i}));
}

TWorkbook::~TWorkbook() { FSheets.reset(); }

void TWorkbook::CreateTables() {
  FFormatStrings = std::make_shared<TFormatStrings>();
  FFontTable = std::make_unique<TVirtualFontTable>();
  FXFTable = std::make_unique<TVirtualXFTable>();
  FCommonWorkbookCellData.FontTable = FFontTable.get();
  FCommonWorkbookCellData.XFTable = FXFTable.get();
  FCommonWorkbookCellData.FormatStringsTable = FFormatStrings.get();
  FProtectPassword.clear();
  FProtectPasswordHash = 0;
  if (FLinkTable) FLinkTable->Clear();
  else FLinkTable = std::make_shared<TXLSLinkTable>();
}

void TWorkbook::Clear() {
  FSheets = std::make_unique<TSheets>(this);
  CreateTables();
}
