#pragma once
// Rows and columns and their containers. A row or column holds its size (points or characters,
// and pixels), its outline level and hidden flag; format changes made to it are passed on to
// its stored cells, and cells created later take its format.

#include <cstdint>

#include "xls/XLSItems.h"

class TCell;

class TCustomRowCol : public TCustomXLSItem {
 public:
  TCustomRowCol(TCustomXLSItems* AOwner, int AIndex, TCommonWorkbookCellData* ACommonCellData,
                double ASize, int ASizePx);

  std::uint16_t Index() const { return FIndex; }
  std::uint8_t OutlineLevel() const { return FOutlineLevel; }
  bool Changed() const { return FChanged; }
  bool SizeChanged() const { return FSizeChanged; }
  bool Hidden() const { return FHidden; }
  // Only true takes effect: hiding is never undone here.
  void SetHidden(bool AValue);
  // Up to 7, down to 0; each step stores the item.
  void IncOutlineLevel();
  void DecOutlineLevel();

 protected:
  void ForEachDependentCell(const std::function<void(TCustomXLSItem&)>& change) override;
  // True for the cells whose format follows this row or column.
  virtual bool Covers(const TCell& ACell) const = 0;
  // Sets both sizes, marks the change and stores.
  void ChangeSize(double ASize, int ASizePx);

  std::uint8_t FOutlineLevel = 0;  // grouping level 0 to 7
  double FSize;                    // row height in points or column width in characters
  std::int32_t FSizePx;            // the same in pixels
  bool FHidden = false;
  std::uint16_t FIndex;            // row or column number
  bool FChanged = false;           // something was set
  bool FSizeChanged = false;       // the size was set
};

class TRow : public TCustomRowCol {
 public:
  // Default height: the display metrics' default row height.
  TRow(TCustomXLSItems* AOwner, int AIndex, TCommonWorkbookCellData* ACommonCellData);

  double Height() const { return FSize; }
  void SetHeight(double APoints);
  int HeightPx() const { return FSizePx; }
  void SetHeightPx(int APixels);
  double VisibleHeight() const { return FHidden ? 0 : FSize; }
  int VisibleHeightPx() const { return FHidden ? 0 : FSizePx; }
  // Leaves the height to the program that opens a written file.
  void AutoFit() { FSizeChanged = false; }

 protected:
  bool Covers(const TCell& ACell) const override;
};

class TColumn : public TCustomRowCol {
 public:
  // Default width: the display metrics' default column width.
  TColumn(TCustomXLSItems* AOwner, int AIndex, TCommonWorkbookCellData* ACommonCellData);

  double Width() const { return FSize; }
  void SetWidth(double ACharacters);
  int WidthPx() const { return FSizePx; }
  void SetWidthPx(int APixels);
  double VisibleWidth() const { return FHidden ? 0 : FSize; }
  int VisibleWidthPx() const { return FHidden ? 0 : FSizePx; }

 protected:
  bool Covers(const TCell& ACell) const override;
};

template <typename TItem>
class TCustomRowCols : public TCustomXLSItems {
 public:
  TCustomRowCols(TSheet* AOwner, TCommonWorkbookCellData* ACommonWorkbookCellData)
      : TCustomXLSItems(AOwner, ACommonWorkbookCellData, sizeof(TItem)) {}

  // The stored item with that index, else a transient one valid until the next request that
  // misses.
  TItem* Item(int AIndex) {
    if (TItem* stored = Find(AIndex)) return stored;
    FTmpItem.reset();
    return static_cast<TItem*>(
        MakeTransient(NewItem<TItem>(this, AIndex, FCommonWorkbookCellData)));
  }
  // The stored item with that index, or nullptr.
  TItem* Find(int AIndex) const { return static_cast<TItem*>(FindByKey(KeyOf(AIndex))); }
  bool ItemExists(int AIndex) const { return Find(AIndex) != nullptr; }
  // A stored item in storage order; raises ERangeError outside 0..Count-1.
  TItem* ItemByIndex(int AIndex) const { return static_cast<TItem*>(ItemAt(AIndex)); }
  std::uint32_t GetItemKey(const TCustomXLSItem& AItem) const override {
    return KeyOf(static_cast<const TItem&>(AItem).Index());
  }

 private:
  static std::uint32_t KeyOf(int AIndex) { return static_cast<std::uint16_t>(AIndex); }
};

using TRows = TCustomRowCols<TRow>;
using TColumns = TCustomRowCols<TColumn>;
