#pragma once
// The display metrics of the process: pixel sizes of columns and rows at the screen's vertical
// resolution, chosen once (96 pixels per inch unless configured otherwise), and the
// conversions between pixels, points, characters and the file's column widths built on them.

struct TDisplayMetrics {
  int DefaultColumnWidthPx;   // width of a column without COLINFO
  int DefaultRowHeightPx;     // height of a row without ROW
  int MaxDigitWidthPx;        // width of the widest digit of the default font
  int ColumnPaddingPx;        // margin added to a column's characters
  double NarrowColumnFactor;  // characters per pixel of columns of 11 pixels or less
  double PointsPerPixel;      // points in one pixel
};

// The metrics in use.
const TDisplayMetrics& DisplayMetrics();
// Chooses the metrics for a screen of `APixelsPerInch`: one set for 96, the other for any other.
void SetScreenPixelsPerInch(int APixelsPerInch);

// Column width in characters from pixels, and back.
double PixelsToColumnWidth(double APixels);
double ColumnWidthToPixels(double ACharacters);
// A file column width (1/256 of a character) in characters, and back (rounded, halves to even).
double FileColumnWidthToColumnWidth(double AFileWidth);
int ColumnWidthToFileColumnWidth(double ACharacters);
double PixelsToPoints(double APixels);
double PointsToPixels(double APoints);
