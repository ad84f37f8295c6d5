#pragma once
// Cells and their container. A cell holds its value, its side data (formula, hyperlink, rich
// format) and its position; a cell created outside reading takes the format of its row and
// column.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "xls/XLSCellValue.h"
#include "xls/XLSItems.h"

enum TCellHyperlinkType : std::uint8_t { hltAuto, hltURL, hltFile, hltUNC, hltCurrentWorkbook };

class TCells;

class TCell : public TCustomXLSItem {
 public:
  // An unstored cell with the default format; unless a file is being read, it then takes the
  // format of its row and column.
  TCell(TCells* AOwner, int ARow, int ACol, TCommonWorkbookCellData* ACommonCellData);
  ~TCell() override;

  std::uint16_t Row() const { return FRow; }
  std::uint16_t Col() const { return FCol; }
  const TCellValue& Value() const { return FValue; }
  // Accepts every kind but empty and Null, and texts of at most 65535 characters; anything else
  // raises EXLSError EXLS_BADCELLVALUE and keeps the old value. A date given to a cell without
  // a date value and with format position 0 gets position 13 (format 14, "mm/dd/yy"). Stores.
  void SetValue(const TCellValue& AValue);
  void SetValue(TCellValue&& AValue);
  const std::string& StringData() const;
  // The value as a spreadsheet shows it, through the number format at the cell's format
  // position: a file's own format texts while the workbook holds data read from a file, else
  // the built-in formats in the regional settings.
  std::u16string ValueAsString() const;

  // The position of the cell's formula in the reader's list, as decimal text.
  std::string Formula() const;
  void SetFormula(const std::string& AValue);
  std::u16string Hyperlink() const;
  // A new hyperlink also makes the font blue (index 5) and underlined and, while the value is
  // empty, becomes the value.
  void SetHyperlink(const std::u16string& AValue);
  TCellHyperlinkType HyperlinkType() const;
  // Does not store the cell.
  void SetHyperlinkType(TCellHyperlinkType AValue);
  std::string RichFormat() const;
  void SetRichFormat(const std::string& AValue);
  // Frees a stored cell; a transient one stays as it is.
  void Clear();

 private:
  void ApplyRowColumnFormat();
  TCells& Cells() const;
  // The side data, created on first use.
  std::string& MutableStringData();

  // Few cells have side data, so it is kept by the container; the small fields come first to
  // share the padding at the end of the base part.
  bool FHasStringData = false;  // the container holds side data of this cell
  std::uint16_t FRow = 0;       // 0 to 65535
  std::uint16_t FCol = 0;       // 0 to 255
  TCellValue FValue;            // empty at creation
};

class TCells : public TCustomXLSItems {
 public:
  TCells(TSheet* AOwner, TCommonWorkbookCellData* ACommonWorkbookCellData)
      : TCustomXLSItems(AOwner, ACommonWorkbookCellData, sizeof(TCell)) {}
  ~TCells() override;

  // The stored cell at (ARow, ACol), else a transient one valid until the next request that
  // misses. A row outside 0..65535 or a column outside 0..255 raises EXLSError EXLS_BADROWCOL.
  TCell* Item(int ARow, int ACol);
  // The stored cell at (ARow, ACol), or nullptr.
  TCell* FindCell(int ARow, int ACol) const;
  // The stored cell at (ARow, ACol); a new empty one is stored when there is none (for
  // readers, which give every such cell a value). Raises as Item does.
  TCell* StoredItem(int ARow, int ACol);
  // A stored cell in storage order; raises ERangeError outside 0..Count-1.
  TCell* ItemByIndex(int AIndex) const { return static_cast<TCell*>(ItemAt(AIndex)); }
  std::uint32_t GetItemKey(const TCustomXLSItem& AItem) const override;
  // Keys ascend row by row, column by column, the order in which readers store cells.
  static std::uint32_t KeyOf(int ARow, int ACol) {
    return static_cast<std::uint32_t>(ARow) << 8 | static_cast<std::uint32_t>(ACol);
  }

 private:
  friend class TCell;
  // Rows 0 to 65535, columns 0 to 255.
  static bool InSheet(int ARow, int ACol) {
    return ARow >= 0 && ARow <= 65535 && ACol >= 0 && ACol <= 255;
  }
  std::unordered_map<const TCell*, std::string> FStringData;  // side data of the cells with any
};
