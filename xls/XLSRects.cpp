#include "xls/XLSRects.h"

#include "xls/XLSError.h"
#include "xls/XLSWorkbook.h"

namespace {

TRangeRect MakeRect(int row_from, int row_to, int column_from, int column_to) {
  TRangeRect rect;
  rect.RowFrom = static_cast<std::uint16_t>(row_from);
  rect.RowTo = static_cast<std::uint16_t>(row_to);
  rect.ColumnFrom = static_cast<std::uint8_t>(column_from);
  rect.ColumnTo = static_cast<std::uint8_t>(column_to);
  return rect;
}

}  // namespace

void TRangeRects::AddRect(int ARowFrom, int ARowTo, int AColumnFrom, int AColumnTo) {
  FRects.push_back(MakeRect(ARowFrom, ARowTo, AColumnFrom, AColumnTo));
}

void TRangeRects::AddRangeRects(const TRangeRects& ARangeRects) {
  const std::vector<TRangeRect> copy = ARangeRects.FRects;  // may be this list itself
  FRects.insert(FRects.end(), copy.begin(), copy.end());
}

void TRangeRects::SetRect(int Ind, int ARowFrom, int ARowTo, int AColumnFrom, int AColumnTo) {
  const std::uint8_t flags = FRects.at(Ind).RelativeFlags;
  FRects.at(Ind) = MakeRect(ARowFrom, ARowTo, AColumnFrom, AColumnTo);
  FRects.at(Ind).RelativeFlags = flags;
}

void TRangeRects::DeleteRect(int Ind) {
  if (Ind >= 0 && Ind < RectsCount()) FRects.erase(FRects.begin() + Ind);
}

bool TRangeRects::FindRectContainingCellCoord(int ARow, int AColumn, TRangeRect& ARect) const {
  bool found = false;
  for (const TRangeRect& rect : FRects)
    if (rect.Contains(ARow, AColumn)) {
      ARect = rect;
      found = true;
    }
  return found;
}

void TRange::SetName(const std::u16string& AName) {
  if (AName.find(u' ') != std::u16string::npos) throw EXLSError(EXLS_INVALIDNAME, AName);
  FName = AName;
}

void TRange::ForEachCell(const std::function<void(TCell&)>& AChange) {
  for (int i = 0; i < RectsCount(); ++i) {
    const TRangeRect rect = FRects[i];
    for (int row = rect.RowFrom; row <= rect.RowTo; ++row)
      for (int column = rect.ColumnFrom; column <= rect.ColumnTo; ++column)
        AChange(*FSheet->Cells().Item(row, column));
  }
}

void TRange::MergeCells() {
  FMerged = true;
  ForEachCell([](TCell& cell) { cell.SetMerged(true); });
}

void TRange::UnMergeCells() {
  FMerged = false;
  ForEachCell([](TCell& cell) { cell.SetMerged(false); });
}

void TRange::Clear() {
  ForEachCell([](TCell& cell) { cell.Clear(); });
}

void TRange::SetValue(const TCellValue& AValue) {
  if (FMerged && !FRects.empty()) {
    FSheet->Cells().Item(FRects[0].RowFrom, FRects[0].ColumnFrom)->SetValue(AValue);
    return;
  }
  ForEachCell([&](TCell& cell) { cell.SetValue(AValue); });
}

TRange* TRanges::Add() {
  FItems.push_back(std::make_unique<TRange>(FSheet));
  return FItems.back().get();
}
