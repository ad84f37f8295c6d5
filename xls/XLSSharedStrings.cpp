#include "xls/XLSSharedStrings.h"

#include <algorithm>
#include <stdexcept>

char16_t* TSharedStrings::Append(std::size_t ALength) {
  if (ALength > kMaxLength) throw std::length_error("shared string too long");
  if (kBlockSize - FUsedInLast < ALength) {
    FBlocks.push_back(std::make_unique_for_overwrite<char16_t[]>(kBlockSize));
    FUsedInLast = 0;
  }
  const auto start = static_cast<std::uint32_t>((FBlocks.size() - 1) << kBlockBits | FUsedInLast);
  FStarts.push_back(start);
  FLengths.push_back(static_cast<std::uint16_t>(ALength));
  FUsedInLast += ALength;
  return FBlocks.back().get() + (start & (kBlockSize - 1));
}

void TSharedStrings::Add(std::u16string_view AText) {
  char16_t* at = Append(AText.size());
  std::copy(AText.begin(), AText.end(), at);
}
