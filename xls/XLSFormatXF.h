#pragma once
// Extended formats (XF) of a workbook: the packed TXFData record (its bytes are its identity),
// the XF table TVirtualXFTable, and the decoding of a BIFF8 XF record.

#include <cstdint>
#include <string>

#include "xls/Streams.h"
#include "xls/VDataTable.h"
#include "xls/XLSPalette.h"

enum TCellHAlignment : std::uint8_t {
  xlHAlignGeneral,
  xlHAlignLeft,
  xlHAlignCenter,
  xlHAlignRight,
  xlHAlignFill,
  xlHAlignJustify,
  xlHAlignCenterAcrossSelection,
};

enum TCellVAlignment : std::uint8_t { xlVAlignTop, xlVAlignCenter, xlVAlignBottom, xlVAlignJustify };

enum TXLPattern : std::uint8_t {
  xlPatternNone, xlPatternSolid, xlPatternGray50, xlPatternGray75, xlPatternGray25,
  xlPatternHorizontal, xlPatternVertical, xlPatternDown, xlPatternUp, xlPatternCrissCross,
  xlPatternChecker, xlPatternLightHorizontal, xlPatternLightVertical, xlPatternLightDown,
  xlPatternLightUp, xlPatternGrid, xlPatternSemiGray75, xlPatternGray16, xlPatternGray8,
};

// The BIFF8 line style numbers.
enum TXLBorderStyle : std::uint8_t {
  bsNone, bsThin, bsMedium, bsDashed, bsDotted, bsThick, bsDouble, bsHair, bsMediumDashed,
  bsDashDot, bsMediumDashDot, bsDashDotDot, bsMediumDashDotDot, bsSlantedDashDot,
};

// A side of a cell's border; xlBorderAll only when writing.
enum TCellBorderIndex : std::uint8_t {
  xlBorderLeft, xlBorderRight, xlBorderTop, xlBorderBottom, xlBorderAll,
};

#pragma pack(push, 1)
// One extended format, 23 bytes.
struct TXFData {
  std::uint16_t FontIndex;            // position in the font table
  std::uint16_t FormatIndex;          // position in the number-format table
  TCellHAlignment HAlign;
  TCellVAlignment VAlign;
  std::uint8_t Rotation;              // text rotation as stored in the file
  bool Wrap;
  TXLPattern FillPattern;
  TXLColorIndex FgColor;              // pattern colour
  TXLColorIndex BgColor;              // background colour (the colour of a solid fill)
  bool Merge;                         // the cell belongs to a merged area
  std::uint8_t Indent;
  TXLColorIndex LeftBorderColor, RightBorderColor, TopBorderColor, BottomBorderColor;
  TXLBorderStyle LeftBorderStyle, RightBorderStyle, TopBorderStyle, BottomBorderStyle;
  bool StyleXF;                       // the record is a style XF
  bool Locked;
};
#pragma pack(pop)
static_assert(sizeof(TXFData) == 23);

// Font 0, format 0, general and bottom aligned, no fill (colours 57 and 58), no borders
// (colours 58), locked.
TXFData DefaultXFData();

// Decodes a BIFF8 XF record's data into `AXF` (normally a cleared work buffer). FontIndex
// becomes the font table position: BIFF has no font 4, so numbers above 3 are lowered by one.
// FormatIndex keeps the format number; the reader turns it into a table position. For a solid
// fill the file's pattern colour goes to BgColor and its background colour to FgColor.
void DecodeXFRecord(TEasyStream& AData, TXFData& AXF);

class TVirtualXFTable : public TVirtualRecordTable<TXFData> {
 public:
  // Holds the default XF at position 0, which is the default index.
  TVirtualXFTable();
  TXFData& LoadXFToBuffer(int AIndex) { return LoadToBuffer(AIndex); }
  // Position of the default XF: the format of items that have none of their own.
  int DefaultIndex() const { return FDefaultIndex; }
  // Finds the default XF again after the table was refilled, appending it when it is missing.
  void UpdateDefaultIndex();

 private:
  std::string FDefaultBuffer;  // bytes of the default XF
  int FDefaultIndex = 0;       // position of the default XF
};
