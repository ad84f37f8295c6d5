#pragma once
// Rectangles of cells and the ranges of a sheet: merged areas and named ranges. A range's
// write-only properties apply to every cell of every rectangle.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "xls/XLSCellValue.h"

class TSheet;
class TCell;

// A rectangle of cells with inclusive bounds.
struct TRangeRect {
  std::uint16_t RowFrom = 0, RowTo = 0;
  std::uint8_t ColumnFrom = 0, ColumnTo = 0;
  std::uint8_t RelativeFlags = 0;

  bool Contains(int ARow, int AColumn) const {
    return RowFrom <= ARow && ARow <= RowTo && ColumnFrom <= AColumn && AColumn <= ColumnTo;
  }
};

class TRangeRects {
 public:
  int RectsCount() const { return static_cast<int>(FRects.size()); }
  void AddRect(int ARowFrom, int ARowTo, int AColumnFrom, int AColumnTo);
  void AddRectRec(const TRangeRect& ARect) { FRects.push_back(ARect); }
  void AddRangeRects(const TRangeRects& ARangeRects);
  void SetRect(int Ind, int ARowFrom, int ARowTo, int AColumnFrom, int AColumnTo);
  // A position outside the list is ignored.
  void DeleteRect(int Ind);
  void GetRect(int AIndex, TRangeRect& ARect) const { ARect = FRects.at(AIndex); }
  const TRangeRect& Rect(int AIndex) const { return FRects.at(AIndex); }
  // Copies every rectangle containing the cell into `ARect`, so the last one wins.
  bool FindRectContainingCellCoord(int ARow, int AColumn, TRangeRect& ARect) const;

 protected:
  std::vector<TRangeRect> FRects;  // the rectangles, in the order added
};

class TRange : public TRangeRects {
 public:
  explicit TRange(TSheet* ASheet) : FSheet(ASheet) {}

  TSheet* Sheet() const { return FSheet; }
  const std::u16string& Name() const { return FName; }
  // A name with a blank raises EXLSError EXLS_INVALIDNAME.
  void SetName(const std::u16string& AName);
  bool Merged() const { return FMerged; }
  bool Empty() const { return FRects.empty(); }

  // Marks every cell of the rectangles merged (storing them).
  void MergeCells();
  // Clears the mark again; cells that were transient stay so.
  void UnMergeCells();
  // Frees every stored cell of the rectangles.
  void Clear();
  // Calls `AChange` for every cell of every rectangle, each taken with TCells::Item.
  void ForEachCell(const std::function<void(TCell&)>& AChange);
  // The value goes to every cell, or on a merged range to the first rectangle's top-left cell.
  void SetValue(const TCellValue& AValue);

 private:
  TSheet* FSheet;        // the sheet the cells belong to
  std::u16string FName;  // empty for merged areas
  bool FMerged = false;  // a merged area
};

class TRanges {
 public:
  explicit TRanges(TSheet* ASheet) : FSheet(ASheet) {}
  // A new empty range, appended.
  TRange* Add();
  TRange* Item(int AIndex) const { return FItems.at(AIndex).get(); }
  int RangesCount() const { return static_cast<int>(FItems.size()); }

 private:
  TSheet* FSheet;                              // the sheet
  std::vector<std::unique_ptr<TRange>> FItems;  // owned ranges, in the order added
};
