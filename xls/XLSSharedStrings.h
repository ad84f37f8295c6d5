#pragma once
// The shared strings of a workbook while it is read: decoded once and kept end to end in
// blocks of 64 Ki characters, with no heap block or string object per string.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class TSharedStrings {
 public:
  static constexpr std::size_t kMaxLength = 65535;  // characters a string may hold

  std::size_t Count() const { return FLengths.size(); }
  // String `AIndex` (below Count()); valid while this object lives.
  std::u16string_view At(std::size_t AIndex) const {
    return {Chars(FStarts[AIndex]), FLengths[AIndex]};
  }
  // Adds a string of `ALength` characters (at most kMaxLength) and returns where its characters
  // go; the caller writes all of them before the next call.
  char16_t* Append(std::size_t ALength);
  void Add(std::u16string_view AText);

 private:
  static constexpr int kBlockBits = 16;
  static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;  // characters a block

  const char16_t* Chars(std::uint32_t AStart) const {
    return FBlocks[AStart >> kBlockBits].get() + (AStart & (kBlockSize - 1));
  }

  std::vector<std::unique_ptr<char16_t[]>> FBlocks;  // the characters, the newest block last
  std::size_t FUsedInLast = kBlockSize;              // characters used in the newest block
  std::vector<std::uint32_t> FStarts;                // block << 16 | offset of each string
  std::vector<std::uint16_t> FLengths;               // length of each string
};
