#pragma once
// The HTML file of a sheet: one table of a rectangle of cells with a style block of one class
// per distinct cell format, merged areas as spanning cells, sizes in pixels, hyperlinks as
// anchors and each cell's displayed text. The style block is 8-bit text of the system code page
// (font names stay 8-bit); every table cell line is UTF-8, written straight from the cell's
// UTF-16 text and hyperlink. No byte-order mark.

#include <cstdint>
#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/XLSCells.h"
#include "xls/XLSRects.h"

class TCell;
class TMergedAreaIndex;
class TCustomXLSItem;
class TSheet;
class TStream;
class TVirtualDataTable;

// "#RRGGBB" of a colour with red in the low byte, upper-case hexadecimal.
std::string ColorToHtml(std::uint32_t AColor);
// The style lines of an item's format, each ending in CR LF. A font name is 8-bit text with
// every "<" and ">" replaced by "_".
std::string CellStyleText(const TCustomXLSItem& AItem);
// A cell text as table content: UTF-8 with every character, the characters up to U+0020 cut
// from both ends, "<" and ">" replaced by "_", "&nbsp;" when nothing is left.
std::string CellTextToHtml(std::u16string_view AText);
// CellTextToHtml appended to `AOut`.
void AppendCellTextHtml(std::string& AOut, std::u16string_view AText);
// CellTextToHtml written at `AOut`, which has room for CellTextHtmlRoom(AText) bytes; returns
// the end of what was written.
char* WriteCellTextHtml(char* AOut, std::u16string_view AText);
// The most bytes WriteCellTextHtml can write for `AText`: 3 a character, at least "&nbsp;".
inline std::size_t CellTextHtmlRoom(std::u16string_view AText) {
  return std::max<std::size_t>(3 * AText.size(), 6);
}

class TXLSWriterHTML {
 public:
  explicit TXLSWriterHTML(TSheet* ASheet);
  ~TXLSWriterHTML();
  TXLSWriterHTML(const TXLSWriterHTML&) = delete;
  TXLSWriterHTML& operator=(const TXLSWriterHTML&) = delete;

  // Creates (or truncates) the file named by the 8-bit text `AFileName` and writes the document
  // of `ARect` to it; the file is closed also when writing fails, leaving what was written.
  // EFCreateError names a file that cannot be created.
  void Save(const std::string& AFileName, const TRangeRect& ARect);
  // Writes the document of `ARect` at the stream's position; the stream stays the caller's.
  void SaveToStream(TStream& AStream, const TRangeRect& ARect);

 private:
  void WriteDocument();
  // One style text per cell of the rectangle, rows first; classes numbered by first use.
  void BuildStyles();
  // The opening of the next class's cell tag.
  void AddClassTag();
  // The cell (ARow, AColumn) as TCells::Item gives it, for a walk through the rectangle rows
  // first: stored cells kept in that order are taken from the storage order without a lookup.
  TCell* CellAt(int ARow, int AColumn);
  void WriteStyles();
  void WriteTable();
  // `ARowTail`: the row's visible height + 1 and the tag's closing ">", for cells that span
  // nothing.
  void WriteCell(int ARow, int AColumn, std::string_view ARowTail);
  int RowHeightPx(int ARow);
  // What the writer reads of a cell's XF record, read once per record.
  struct TXFFacts {
    bool Known = false;   // read already
    bool Merged = false;  // the merge flag
    int Format = 0;       // the number-format position
    int Class = 0;        // the style class
  };
  const TXFFacts& FactsOf(const TCell& ACell) {
    const auto xf = static_cast<std::size_t>(ACell.XFTableIndex());
    if (xf < FXFFacts.size() && FXFFacts[xf].Known) return FXFFacts[xf];
    return LearnFacts(ACell);
  }
  // Reads the facts of the cell's XF record and gives the record its style class.
  const TXFFacts& LearnFacts(const TCell& ACell);
  // The cell's text as table content, at the end of the output.
  void PutCellText(const TCell& ACell, int AFormat);
  // `AText` as table content, at the end of the output.
  void PutTextHtml(std::u16string_view AText) {
    Commit(WriteCellTextHtml(Room(CellTextHtmlRoom(AText)), AText));
  }
  void FreeStyles();
  // Buffered output: Room gives space for `ACount` more bytes at the end of the buffer (handing
  // what it holds to the stream first when it is short of space), Commit takes what was written
  // there up to `AEnd`, Flush hands the buffer to the stream.
  char* Room(std::size_t ACount) {
    if (FOut.size() - FUsed < ACount) MakeRoom(ACount);
    return FOut.data() + FUsed;
  }
  void MakeRoom(std::size_t ACount);
  void Commit(char* AEnd) { FUsed = static_cast<std::size_t>(AEnd - FOut.data()); }
  void Put(std::string_view ABytes) {
    Commit(std::copy(ABytes.begin(), ABytes.end(), Room(ABytes.size())));
  }
  void PutNumber(long long AValue);
  void Flush();

  TSheet* FSheet;                                // the sheet written
  TStream* FStream = nullptr;                    // destination while a document is written
  TRangeRect FRect;                              // the rectangle written, inclusive bounds
  std::unique_ptr<TVirtualDataTable> FCSSList;   // distinct style texts; position = class
  std::vector<int> FColumnWidthsPx;              // visible width + 1 of each column of FRect
  std::vector<std::string> FClassTags;           // "<td class=\"xlN\"" of each class
  std::vector<std::string> FColumnTags;          // " width=W height=" of each column of FRect
  std::vector<std::string> FCellTags;            // by class and column: the two above joined
  int FNextStored = 0;                           // CellAt's position in the storage order
  std::string FOut;                              // output buffer; its first FUsed bytes are data
  std::size_t FUsed = 0;                         // bytes of FOut not yet handed to FStream
  std::vector<TXFFacts> FXFFacts;                // by XF position, for the records met
  std::unique_ptr<TMergedAreaIndex> FMergedAreas;  // built at the first cell marked merged

  // The table text of a number or date by its format position and value: a document shows
  // the same few values again and again (quantities, dates).
  struct TTextKey {
    std::uint64_t Bits = 0;  // the value's bits
    int Format = 0;          // format position
    bool Date = false;       // a value of the date kind
  };
  struct TCachedText {
    TTextKey Key;       // what the text is of
    bool Used = false;  // the slot holds a text
    std::string Text;   // table content
  };
  static constexpr int kTextCacheBits = 13;
  static constexpr std::size_t kTextCacheSize = std::size_t{1} << kTextCacheBits;
  std::vector<TCachedText> FTextCache;  // direct-mapped by a hash of the key; empty when unused
};
