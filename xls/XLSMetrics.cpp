#include "xls/XLSMetrics.h"

#include <cmath>

namespace {

constexpr TDisplayMetrics kMetrics96 = {64, 17, 7, 5, 0.0834, 0.75};
constexpr TDisplayMetrics kMetricsOther = {80, 22, 9, 7, 0.0626, 0.6};

const TDisplayMetrics* g_metrics = &kMetrics96;

}  // namespace

const TDisplayMetrics& DisplayMetrics() { return *g_metrics; }

void SetScreenPixelsPerInch(int APixelsPerInch) {
  g_metrics = APixelsPerInch == 96 ? &kMetrics96 : &kMetricsOther;
}

double PixelsToColumnWidth(double APixels) {
  const TDisplayMetrics& m = DisplayMetrics();
  return APixels > 11 ? (APixels - m.ColumnPaddingPx) / m.MaxDigitWidthPx
                      : APixels * m.NarrowColumnFactor;
}

double ColumnWidthToPixels(double ACharacters) {
  const TDisplayMetrics& m = DisplayMetrics();
  return ACharacters >= 1 ? ACharacters * m.MaxDigitWidthPx + m.ColumnPaddingPx
                          : ACharacters / m.NarrowColumnFactor;
}

double FileColumnWidthToColumnWidth(double AFileWidth) {
  return PixelsToColumnWidth(AFileWidth / 256 * DisplayMetrics().MaxDigitWidthPx);
}

int ColumnWidthToFileColumnWidth(double ACharacters) {
  return static_cast<int>(
      std::nearbyint(ColumnWidthToPixels(ACharacters) / DisplayMetrics().MaxDigitWidthPx * 256));
}

double PixelsToPoints(double APixels) { return APixels * DisplayMetrics().PointsPerPixel; }

double PointsToPixels(double APoints) { return APoints / DisplayMetrics().PointsPerPixel; }
