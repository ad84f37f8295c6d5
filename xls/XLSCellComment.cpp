#include "xls/XLSCellComment.h"

namespace {

std::uint32_t KeyOf(int row, int column) {
  return static_cast<std::uint16_t>(row) | (static_cast<std::uint32_t>(static_cast<std::uint16_t>(column)) << 16);
}

}  // namespace

void TCellComment::Store() { FOwner->Store(this); }

void TCellComment::SetText(const std::u16string& AValue) { FText = AValue; Store(); }
void TCellComment::SetAuthor(const std::u16string& AValue) { FAuthor = AValue; Store(); }
void TCellComment::SetRichFormat(const std::string& AValue) { FRichFormat = AValue; Store(); }
void TCellComment::SetWidthPx(std::uint16_t AValue) { FWidthPx = AValue; Store(); }
void TCellComment::SetHeightPx(std::uint16_t AValue) { FHeightPx = AValue; Store(); }

TCellComment* TCellComments::Item(int ARow, int AColumn) {
  const auto found = FItems.find(KeyOf(ARow, AColumn));
  if (found != FItems.end()) return found->second;
  FTmpItem = std::make_unique<TCellComment>(this, ARow, AColumn);
  return FTmpItem.get();
}

void TCellComments::Store(TCellComment* AComment) {
  if (AComment->FStored || AComment != FTmpItem.get()) return;
  AComment->FStored = true;
  FItems[KeyOf(AComment->FRow, AComment->FColumn)] = AComment;
  FList.push_back(std::move(FTmpItem));
}
