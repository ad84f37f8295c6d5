#pragma once
// The process-wide colour palette of 58 entries that cell, font and border colour indexes name,
// and the mapping between BIFF colour numbers and those indexes. Colours are 32-bit values with
// red in the low byte, green in the second and blue in the third.

#include <cstdint>

// 1 to 56: the palette entries (BIFF colour numbers 8 to 63); 57: automatic text colour; 58:
// automatic background (BIFF 64 and 65).
using TXLColorIndex = std::uint8_t;

inline constexpr TXLColorIndex xlColorIndexAutoText = 57;
inline constexpr TXLColorIndex xlColorIndexAutoBackground = 58;
inline constexpr int kPaletteSize = 58;

constexpr std::uint32_t RGBColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return r | (g << 8) | (static_cast<std::uint32_t>(b) << 16);
}

// Entry `AIndex` (1 to 58) of the palette; black for any other index.
std::uint32_t PaletteColor(TXLColorIndex AIndex);
// Overwrites entry `AIndex` (1 to 58; others are ignored); a PALETTE record does this for the
// workbook being read (each workbook read starts from the default palette).
void SetPaletteColor(TXLColorIndex AIndex, std::uint32_t AColor);
// Back to the BIFF8 default colours in 1 to 56 and black in 57 and 58.
void ResetPalette();
// The entry nearest to `AColor` by rounded Euclidean RGB distance; the first of equals wins.
TXLColorIndex NearestColorIndex(std::uint32_t AColor);

// BIFF colour numbers 8 to 65 give number - 7; every other number gives 1.
TXLColorIndex BiffColorToColorIndex(int ABiffColor);
// The BIFF colour number of an index (index + 7).
int ColorIndexToBiffColor(TXLColorIndex AIndex);
