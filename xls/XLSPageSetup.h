#pragma once
// The page setup of a sheet: print area and titles from the file, and printing options that
// only a writer would use.

#include <cstdint>
#include <string>

#include "xls/XLSRects.h"

enum TXLPaperSize : std::uint8_t { xlPaperDefault };
enum TXLPrintPagesOrder : std::uint8_t { xlDownOver, xlOverDown };
enum TXLOrientation : std::uint8_t { xlPortrait, xlLandscape };

class TPageSetup {
 public:
  explicit TPageSetup(TSheet* ASheet) : FSheet(ASheet), FPrintArea(ASheet) {}

  TRange& PrintArea() { return FPrintArea; }
  TSheet* Sheet() const { return FSheet; }

  std::int32_t FPrintRowsOnEachPageFrom = -1;     // print titles, -1 for none
  std::int32_t FPrintRowsOnEachPageTo = -1;
  std::int32_t FPrintColumnsOnEachPageFrom = -1;
  std::int32_t FPrintColumnsOnEachPageTo = -1;
  TXLPaperSize PaperSize = xlPaperDefault;
  bool Zoom = true;
  int Scale = 100;
  int StartPageNum = 65535;
  int FitPagesWidth = 1;
  int FitPagesHeight = 1;
  TXLPrintPagesOrder PrintPagesOrder = xlDownOver;
  TXLOrientation Orientation = xlPortrait;
  double HeaderMargin = 0.5, FooterMargin = 0.5;
  double TopMargin = 1.0, BottomMargin = 1.0;
  double LeftMargin = 0.8, RightMargin = 0.8;
  bool BlackAndWhite = false, Draft = false, PrintGrid = false, PrintRowColLabels = false;
  bool CenterHorizontally = false, CenterVertically = false;
  std::u16string HeaderText, HeaderTextRight, HeaderTextLeft;
  std::u16string FooterText, FooterTextRight, FooterTextLeft;
  bool RowGroupAtTop = false, ColumnGroupAtLeft = false;

 private:
  TSheet* FSheet;      // the sheet
  TRange FPrintArea;   // empty unless the file names one
};
