#include "xls/XLSPalette.h"

#include <cmath>

namespace {

// The BIFF8 default palette, colours 8 to 63, as 0xRRGGBB.
constexpr std::uint32_t kDefaultPalette[56] = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
    0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
    0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
    0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
    0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,
};

struct TPalette {
  TPalette() { Reset(); }
  void Reset() {
    for (int i = 0; i < 56; ++i) {
      const std::uint32_t rgb = kDefaultPalette[i];
      Colors[i + 1] = RGBColor(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
    }
    Colors[57] = Colors[58] = 0;
  }
  std::uint32_t Colors[kPaletteSize + 1];  // entry 0 unused
};

TPalette& Palette() {
  static TPalette palette;
  return palette;
}

}  // namespace

std::uint32_t PaletteColor(TXLColorIndex AIndex) {
  return AIndex >= 1 && AIndex <= kPaletteSize ? Palette().Colors[AIndex] : 0;
}

void SetPaletteColor(TXLColorIndex AIndex, std::uint32_t AColor) {
  if (AIndex >= 1 && AIndex <= kPaletteSize) Palette().Colors[AIndex] = AColor;
}

void ResetPalette() { Palette().Reset(); }

TXLColorIndex NearestColorIndex(std::uint32_t AColor) {
  auto channel = [](std::uint32_t color, int shift) { return static_cast<int>((color >> shift) & 0xFF); };
  long best_distance = 16777215;
  TXLColorIndex best = 1;
  for (int i = 1; i <= kPaletteSize; ++i) {
    const std::uint32_t entry = Palette().Colors[i];
    const double dr = channel(AColor, 0) - channel(entry, 0);
    const double dg = channel(AColor, 8) - channel(entry, 8);
    const double db = channel(AColor, 16) - channel(entry, 16);
    const long distance = std::lround(std::sqrt(dr * dr + dg * dg + db * db));
    if (distance < best_distance) {
      best_distance = distance;
      best = static_cast<TXLColorIndex>(i);
    }
  }
  return best;
}

TXLColorIndex BiffColorToColorIndex(int ABiffColor) {
  return ABiffColor >= 8 && ABiffColor <= 65 ? static_cast<TXLColorIndex>(ABiffColor - 7) : 1;
}

int ColorIndexToBiffColor(TXLColorIndex AIndex) { return AIndex + 7; }
