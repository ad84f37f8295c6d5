#pragma once
// The sparse item model shared by cells, rows and columns. A container keeps only the items
// that carry something (stored items), in slots of its own pool, found by key through a key
// index (XLSItemIndex.h). Asking for a missing item yields a transient default item that the
// container keeps until the next request that misses; the first change worth keeping stores it.
//
// Every item refers to one record of the workbook's XF table by position; its format
// attributes read that record (and the font it names) and change it copy-on-write, so items
// sharing a record are never touched by another item's change.

#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "xls/XLSFont.h"
#include "xls/XLSFormatXF.h"
#include "xls/XLSItemIndex.h"
#include "xls/XLSItemPool.h"
#include "xls/XLSPalette.h"

class TFormatStrings;  // the number-format table (the cell text engine's XLSFormatStr.h)
class TSheet;
class TCustomXLSItem;

// Destroys an item and gives its slot back to its container's pool.
struct TItemDelete {
  void operator()(TCustomXLSItem* AItem) const;
};
using TItemPtr = std::unique_ptr<TCustomXLSItem, TItemDelete>;

enum TXLSProcessingState : std::uint8_t { psNothing, psReading, psDataFromFile };

// The workbook's tables, shared by its sheets, containers and items.
struct TCommonWorkbookCellData {
  TVirtualFontTable* FontTable = nullptr;
  TVirtualXFTable* XFTable = nullptr;
  TFormatStrings* FormatStringsTable = nullptr;
  TXLSProcessingState ProcessingState = psNothing;
};

// Base of the cell, row and column containers.
class TCustomXLSItems {
 public:
  // `AItemSize`: the size of the one item type the container creates.
  TCustomXLSItems(TSheet* AOwner, TCommonWorkbookCellData* ACommonWorkbookCellData,
                  std::size_t AItemSize)
      : FOwner(AOwner), FCommonWorkbookCellData(ACommonWorkbookCellData), FPool(AItemSize) {}
  virtual ~TCustomXLSItems();
  TCustomXLSItems(const TCustomXLSItems&) = delete;
  TCustomXLSItems& operator=(const TCustomXLSItems&) = delete;

  // Number of stored items.
  int Count() const { return static_cast<int>(FList.size()); }
  // Stores `AItem` unless storing is prevented: adds it under its key and, when it is the
  // transient item, keeps it from being freed by the next request.
  virtual void StoreItem(TCustomXLSItem* AItem);
  // The key of an item: row and column of a cell, the index of a row or column.
  virtual std::uint32_t GetItemKey(const TCustomXLSItem& AItem) const = 0;
  // Frees a stored item; a transient one is left alone.
  void RemoveItem(TCustomXLSItem* AItem);

  TSheet* Owner() const { return FOwner; }
  TCommonWorkbookCellData* CommonWorkbookCellData() const { return FCommonWorkbookCellData; }
  bool PreventStoreItems() const { return FPreventStoreItems; }
  void SetPreventStoreItems(bool AValue) { FPreventStoreItems = AValue; }

 protected:
  // The stored item at a position in storage order; raises ERangeError outside the list.
  TCustomXLSItem* ItemAt(int AIndex) const {
    if (AIndex < 0 || AIndex >= Count()) RaiseIndexError(AIndex);
    return FList[static_cast<std::size_t>(AIndex)].get();
  }
  [[noreturn]] static void RaiseIndexError(int AIndex);
  TCustomXLSItem* FindByKey(std::uint32_t AKey) const;
  // A new item of type `TItem` in a slot of the pool, not yet transient or stored.
  template <typename TItem, typename... TArgs>
  TItemPtr NewItem(TArgs&&... AArgs) {
    static_assert(std::is_base_of_v<TCustomXLSItem, TItem>);
    void* slot = FPool.Allocate();
    try {
      // Single inheritance: the item's base part starts at the slot, as TItemDelete expects.
      return TItemPtr(new (slot) TItem(std::forward<TArgs>(AArgs)...));
    } catch (...) {
      FPool.Release(slot);
      throw;
    }
  }
  // Frees the transient item and parks `AItem` in its place.
  TCustomXLSItem* MakeTransient(TItemPtr AItem);
  // The stored item under `AItem`'s key when there is one (`AItem` is then dropped), else
  // `AItem`, stored at once without the transient step.
  TCustomXLSItem* FindOrStoreNew(TItemPtr AItem);

  TSheet* FOwner;                                             // the sheet
  TCommonWorkbookCellData* FCommonWorkbookCellData;           // the workbook's tables
  TItemPool FPool;                                            // memory of the items below
  TItemPtr FTmpItem;                                          // the transient item, or none
  std::vector<TItemPtr> FList;                                // stored items, storage order
  TItemIndex FItems;                                          // key -> position in FList
  bool FPreventStoreItems = false;                            // StoreItem does nothing

  friend struct TItemDelete;
};

// Base of cells, rows and columns: the position of the item's XF record and the format
// attributes read from it. Setters change only what differs and store the item when the new
// value is worth keeping; on rows and columns they also change every stored cell of the row or
// column.
class TCustomXLSItem {
 public:
  TCustomXLSItem(TCustomXLSItems* AOwner, TCommonWorkbookCellData* ACommonCellData);
  virtual ~TCustomXLSItem() = default;
  TCustomXLSItem(const TCustomXLSItem&) = delete;
  TCustomXLSItem& operator=(const TCustomXLSItem&) = delete;

  bool Stored() const { return FStored; }
  TCustomXLSItems* Owner() const { return FOwner; }

  // Position of the item's XF record (FormatIndex is a second name for it).
  int XFTableIndex() const { return FXFTableIndex; }
  int FormatIndex() const { return FXFTableIndex; }
  void SetXFTableIndex(int AValue);
  void SetFormatIndex(int AValue) { SetXFTableIndex(AValue); }

  TXLColorIndex FillPatternBGColorIndex() const { return XF().BgColor; }
  TXLColorIndex FillPatternFGColorIndex() const { return XF().FgColor; }
  std::uint32_t FillPatternBGColorRGB() const { return PaletteColor(XF().BgColor); }
  std::uint32_t FillPatternFGColorRGB() const { return PaletteColor(XF().FgColor); }
  TXLPattern FillPattern() const { return XF().FillPattern; }
  TCellHAlignment HAlign() const { return XF().HAlign; }
  TCellVAlignment VAlign() const { return XF().VAlign; }
  bool Merged() const { return XF().Merge; }
  bool Wrap() const { return XF().Wrap; }
  std::uint8_t Rotation() const { return XF().Rotation; }
  std::uint8_t Indent() const { return XF().Indent; }
  bool Locked() const { return XF().Locked; }
  // A position in the workbook's number-format table, not a format number.
  int FormatStringIndex() const { return XF().FormatIndex; }
  int FontTableIndex() const { return XF().FontIndex; }
  bool FontBold() const { return Font().Bold; }
  bool FontItalic() const { return Font().Italic; }
  bool FontUnderline() const { return Font().Underline; }
  bool FontStrikeOut() const { return Font().StrikeOut; }
  TXLFontUnderlineStyle FontUnderlineStyle() const { return Font().UnderlineStyle; }
  TXLFontSSStyle FontSSStyle() const { return Font().SSStyle; }
  std::u16string FontName() const { return FontNameOf(Font()); }
  TXLColorIndex FontColorIndex() const { return Font().ColorIndex; }
  std::uint32_t FontColorRGB() const { return PaletteColor(Font().ColorIndex); }
  std::uint16_t FontHeight() const { return Font().Height; }
  // Sides outside left..bottom read colour 58 and style none.
  TXLColorIndex BorderColorIndex(TCellBorderIndex ASide) const;
  std::uint32_t BorderColorRGB(TCellBorderIndex ASide) const {
    return PaletteColor(BorderColorIndex(ASide));
  }
  TXLBorderStyle BorderStyle(TCellBorderIndex ASide) const;

  void SetFillPatternBGColorIndex(TXLColorIndex AValue);
  void SetFillPatternFGColorIndex(TXLColorIndex AValue);
  void SetFillPatternBGColorRGB(std::uint32_t AValue);
  void SetFillPatternFGColorRGB(std::uint32_t AValue);
  void SetFillPattern(TXLPattern AValue);
  void SetHAlign(TCellHAlignment AValue);
  void SetVAlign(TCellVAlignment AValue);
  // Rows and columns change only themselves here.
  void SetMerged(bool AValue);
  void SetWrap(bool AValue);
  void SetRotation(std::uint8_t AValue);
  // Values above 15 are stored as 15.
  void SetIndent(std::uint8_t AValue);
  // Rows and columns change only themselves here.
  void SetLocked(bool AValue);
  void SetFormatStringIndex(int AValue);
  // xlBorderAll sets all four sides; these store the item even when nothing changed.
  void SetBorderColorIndex(TCellBorderIndex ASide, TXLColorIndex AValue);
  void SetBorderColorRGB(TCellBorderIndex ASide, std::uint32_t AValue);
  void SetBorderStyle(TCellBorderIndex ASide, TXLBorderStyle AValue);
  void SetFontBold(bool AValue);
  void SetFontItalic(bool AValue);
  void SetFontUnderline(bool AValue);
  void SetFontStrikeOut(bool AValue);
  void SetFontUnderlineStyle(TXLFontUnderlineStyle AValue);
  void SetFontSSStyle(TXLFontSSStyle AValue);
  void SetFontName(const std::u16string& AValue);
  void SetFontColorIndex(TXLColorIndex AValue);
  void SetFontColorRGB(std::uint32_t AValue);
  void SetFontHeight(std::uint16_t AValue);
  // Points the item's XF at font table position `AValue`; stores unless it is 0.
  void SetFontTableIndex(int AValue);

 protected:
  // Applies `change` to every stored cell that takes this item's format changes: none for a
  // cell, the cells of the row or column for rows and columns.
  virtual void ForEachDependentCell(const std::function<void(TCustomXLSItem&)>& change);
  // A copy of the item's XF record; its font, loaded into the font table's work buffer.
  TXFData XF() const;
  const TFontData& Font() const;
  // Copy-on-write change of one XF field: nothing when `get` already gives `value` (unless
  // `always`), else a reused or new record, then StoreItem when `store`.
  template <typename Get, typename Set, typename Value>
  void ChangeXF(Get get, Set set, Value value, bool store, bool always = false);
  // Copy-on-write change of one field of the item's font.
  template <typename Get, typename Set, typename Value>
  void ChangeFont(Get get, Set set, const Value& value);
  void StoreSelf() { FOwner->StoreItem(this); }
  // The workbook's tables.
  TCommonWorkbookCellData& Common() const { return *FOwner->CommonWorkbookCellData(); }

  TCustomXLSItems* FOwner;                    // the container
  int FXFTableIndex;                          // position of the item's XF record
  bool FStored = false;                       // in its container's stored items

  friend class TCustomXLSItems;
  friend struct TItemDelete;
};
