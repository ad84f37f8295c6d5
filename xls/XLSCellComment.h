#pragma once
// The cell comments of a sheet, keyed by row and column. Asking for the comment of a cell that
// has none gives a new comment that is not in the list until its text, author, rich format or
// size is set.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class TCellComments;

class TCellComment {
 public:
  TCellComment(TCellComments* AOwner, int ARow, int AColumn)
      : FOwner(AOwner), FRow(static_cast<std::uint16_t>(ARow)), FColumn(static_cast<std::uint16_t>(AColumn)) {}

  std::uint16_t Row() const { return FRow; }
  std::uint16_t Column() const { return FColumn; }
  bool Stored() const { return FStored; }
  const std::u16string& Text() const { return FText; }
  const std::u16string& Author() const { return FAuthor; }
  const std::string& RichFormat() const { return FRichFormat; }
  std::uint16_t WidthPx() const { return FWidthPx; }
  std::uint16_t HeightPx() const { return FHeightPx; }
  // Each setter stores the comment in its list.
  void SetText(const std::u16string& AValue);
  void SetAuthor(const std::u16string& AValue);
  void SetRichFormat(const std::string& AValue);
  void SetWidthPx(std::uint16_t AValue);
  void SetHeightPx(std::uint16_t AValue);

 private:
  friend class TCellComments;
  void Store();

  TCellComments* FOwner;      // the list
  std::uint16_t FRow;
  std::uint16_t FColumn;
  bool FStored = false;       // in the list
  std::u16string FText;
  std::u16string FAuthor;
  std::string FRichFormat;    // formatting runs of the text
  std::uint16_t FWidthPx = 0;
  std::uint16_t FHeightPx = 0;
};

class TCellComments {
 public:
  int Count() const { return static_cast<int>(FList.size()); }
  TCellComment* ItemByIndex(int AIndex) const { return FList.at(AIndex).get(); }
  // The stored comment of the cell, else a new unstored one valid until the next miss.
  TCellComment* Item(int ARow, int AColumn);

 private:
  friend class TCellComment;
  void Store(TCellComment* AComment);

  std::unique_ptr<TCellComment> FTmpItem;                    // the unstored comment
  std::vector<std::unique_ptr<TCellComment>> FList;          // stored comments, storage order
  std::unordered_map<std::uint32_t, TCellComment*> FItems;   // row and column -> comment
};
