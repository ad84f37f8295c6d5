#include "xls/XLSRowCols.h"

#include <cmath>

#include "xls/XLSMetrics.h"
#include "xls/XLSWorkbook.h"

TCustomRowCol::TCustomRowCol(TCustomXLSItems* AOwner, int AIndex,
                             TCommonWorkbookCellData* ACommonCellData, double ASize, int ASizePx)
    : TCustomXLSItem(AOwner, ACommonCellData),
      FSize(ASize),
      FSizePx(ASizePx),
      FIndex(static_cast<std::uint16_t>(AIndex)) {}

void TCustomRowCol::SetHidden(bool AValue) {
  if (!AValue) return;
  FHidden = true;
  FChanged = true;
  StoreSelf();
}

void TCustomRowCol::IncOutlineLevel() {
  if (FOutlineLevel >= 7) return;
  ++FOutlineLevel;
  FChanged = true;
  StoreSelf();
}

void TCustomRowCol::DecOutlineLevel() {
  if (FOutlineLevel == 0) return;
  --FOutlineLevel;
  FChanged = true;
  StoreSelf();
}

void TCustomRowCol::ChangeSize(double ASize, int ASizePx) {
  FSize = ASize;
  FSizePx = ASizePx;
  FChanged = true;
  FSizeChanged = true;
  StoreSelf();
}

void TCustomRowCol::ForEachDependentCell(const std::function<void(TCustomXLSItem&)>& change) {
  TSheet* sheet = FOwner ? FOwner->Owner() : nullptr;
  if (!sheet) return;
  TCells& cells = sheet->Cells();
  for (int i = 0; i < cells.Count(); ++i) {
    TCell* cell = cells.ItemByIndex(i);
    if (Covers(*cell)) change(*cell);
  }
}

TRow::TRow(TCustomXLSItems* AOwner, int AIndex, TCommonWorkbookCellData* ACommonCellData)
    : TCustomRowCol(AOwner, AIndex, ACommonCellData,
                    PixelsToPoints(DisplayMetrics().DefaultRowHeightPx),
                    DisplayMetrics().DefaultRowHeightPx) {}

void TRow::SetHeight(double APoints) {
  if (APoints != FSize) ChangeSize(APoints, static_cast<int>(std::nearbyint(PointsToPixels(APoints))));
}

void TRow::SetHeightPx(int APixels) {
  if (APixels != FSizePx) ChangeSize(PixelsToPoints(APixels), APixels);
}

bool TRow::Covers(const TCell& ACell) const { return ACell.Row() == FIndex; }

TColumn::TColumn(TCustomXLSItems* AOwner, int AIndex, TCommonWorkbookCellData* ACommonCellData)
    : TCustomRowCol(AOwner, AIndex, ACommonCellData,
                    PixelsToColumnWidth(DisplayMetrics().DefaultColumnWidthPx),
                    DisplayMetrics().DefaultColumnWidthPx) {}

void TColumn::SetWidth(double ACharacters) {
  if (ACharacters != FSize)
    ChangeSize(ACharacters, static_cast<int>(std::nearbyint(ColumnWidthToPixels(ACharacters))));
}

void TColumn::SetWidthPx(int APixels) {
  if (APixels != FSizePx) ChangeSize(PixelsToColumnWidth(APixels), APixels);
}

bool TColumn::Covers(const TCell& ACell) const { return ACell.Col() == FIndex; }
