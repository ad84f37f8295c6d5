#include "xls/XLSFormatXF.h"

#include <cstring>

TXFData DefaultXFData() {
  TXFData xf;
  std::memset(static_cast<void*>(&xf), 0, sizeof xf);
  xf.HAlign = xlHAlignGeneral;
  xf.VAlign = xlVAlignBottom;
  xf.FillPattern = xlPatternNone;
  xf.FgColor = xlColorIndexAutoText;
  xf.BgColor = xlColorIndexAutoBackground;
  xf.LeftBorderColor = xf.RightBorderColor = xf.TopBorderColor = xf.BottomBorderColor =
      xlColorIndexAutoBackground;
  xf.Locked = true;
  return xf;
}

void DecodeXFRecord(TEasyStream& AData, TXFData& AXF) {
  std::uint16_t font = 0, format = 0, protection = 0, alignment = 0, indent = 0, borders = 0,
                side_colors = 0, fill_colors = 0;
  std::uint32_t line_colors = 0;
  AData.ReadWord(font);
  AData.ReadWord(format);
  AData.ReadWord(protection);
  AData.ReadWord(alignment);
  AData.ReadWord(indent);
  AData.ReadWord(borders);
  AData.ReadWord(side_colors);
  AData.ReadDWord(line_colors);
  AData.ReadWord(fill_colors);

  AXF.FontIndex = font > 3 ? font - 1 : font;
  AXF.FormatIndex = format;
  AXF.Locked = (protection & 0x01) != 0;
  AXF.StyleXF = (protection & 0x04) != 0;
  AXF.HAlign = static_cast<TCellHAlignment>(alignment & 0x07);
  AXF.Wrap = (alignment & 0x08) != 0;
  AXF.VAlign = static_cast<TCellVAlignment>((alignment >> 4) & 0x07);
  AXF.Rotation = static_cast<std::uint8_t>(alignment >> 8);
  AXF.Indent = indent & 0x0F;
  AXF.LeftBorderStyle = static_cast<TXLBorderStyle>(borders & 0x0F);
  AXF.RightBorderStyle = static_cast<TXLBorderStyle>((borders >> 4) & 0x0F);
  AXF.TopBorderStyle = static_cast<TXLBorderStyle>((borders >> 8) & 0x0F);
  AXF.BottomBorderStyle = static_cast<TXLBorderStyle>((borders >> 12) & 0x0F);
  AXF.LeftBorderColor = BiffColorToColorIndex(side_colors & 0x7F);
  AXF.RightBorderColor = BiffColorToColorIndex((side_colors >> 7) & 0x7F);
  AXF.TopBorderColor = BiffColorToColorIndex(line_colors & 0x7F);
  AXF.BottomBorderColor = BiffColorToColorIndex((line_colors >> 7) & 0x7F);
  AXF.FillPattern = static_cast<TXLPattern>(line_colors >> 26);
  const TXLColorIndex pattern_color = BiffColorToColorIndex(fill_colors & 0x7F);
  const TXLColorIndex background_color = BiffColorToColorIndex((fill_colors >> 7) & 0x7F);
  const bool solid = AXF.FillPattern == xlPatternSolid;
  AXF.FgColor = solid ? background_color : pattern_color;
  AXF.BgColor = solid ? pattern_color : background_color;
  AXF.Merge = false;
}

TVirtualXFTable::TVirtualXFTable() : TVirtualRecordTable(&DefaultXFData) {
  FDefaultIndex = 0;
  FDefaultBuffer = std::string(BytesOf(LoadXFToBuffer(0)));
}

void TVirtualXFTable::UpdateDefaultIndex() {
  FDefaultIndex = FDataTable.FindItem(FDefaultBuffer);
  if (FDefaultIndex == -1) {
    ClearBuffer();
    FDefaultIndex = SaveChangedBuffer();
  }
}
