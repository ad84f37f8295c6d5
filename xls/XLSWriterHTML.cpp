#include "xls/XLSWriterHTML.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "platform/codepage.h"
#include "platform/stream.h"
#include "platform/utf.h"
#include "xls/VDataTable.h"
#include "xls/XLSFormatStr.h"
#include "xls/XLSWorkbook.h"

namespace {

constexpr std::size_t kFlushSize = 1 << 16;  // output bytes gathered before a stream write

// Bytes that would open or close a tag become "_".
void ReplaceAngleBrackets(std::string& AText) {
  std::replace(AText.begin(), AText.end(), '>', '_');
  std::replace(AText.begin(), AText.end(), '<', '_');
}

std::string_view HAlignStyle(TCellHAlignment AAlign) {
  switch (AAlign) {
    case xlHAlignLeft: return "text-align: left;";
    case xlHAlignCenter: return "text-align: center;";
    case xlHAlignRight: return "text-align: right;";
    case xlHAlignJustify: return "text-align: justify;";
    default: return "";
  }
}

std::string_view VAlignStyle(TCellVAlignment AAlign) {
  switch (AAlign) {
    case xlVAlignTop: return "vertical-align:top;";
    case xlVAlignCenter: return "vertical-align:center;";
    case xlVAlignBottom: return "vertical-align:bottom;";
    case xlVAlignJustify: return "vertical-align:justify;";
    default: return "";
  }
}

struct TBorderLook {
  std::string_view Name;  // CSS line style
  char Width;             // width in pixels, one digit
};

TBorderLook BorderLook(TXLBorderStyle AStyle) {
  static constexpr TBorderLook kLooks[] = {
      {"none", '1'},   {"solid", '1'},  {"solid", '1'},  {"dashed", '1'}, {"dotted", '1'},
      {"solid", '2'},  {"double", '2'}, {"solid", '1'},  {"dashed", '2'}, {"dashed", '1'},
      {"dashed", '2'}, {"dotted", '1'}, {"dotted", '2'}, {"dashed", '1'},
  };
  return AStyle < std::size(kLooks) ? kLooks[AStyle] : kLooks[bsNone];
}

void AppendDecimal(std::string& AText, long long AValue) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, AValue).ptr;
  AText.append(digits, end);
}

std::string Decimal(long long AValue) {
  std::string text;
  AppendDecimal(text, AValue);
  return text;
}

}  // namespace

std::string ColorToHtml(std::uint32_t AColor) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text = "#";
  for (int shift : {0, 8, 16}) {
    const unsigned byte = (AColor >> shift) & 0xFF;
    text += kHex[byte >> 4];
    text += kHex[byte & 0xF];
  }
  return text;
}

std::string CellStyleText(const TCustomXLSItem& AItem) {
  std::string font_name = WideToMultiByte(AItem.FontName());
  ReplaceAngleBrackets(font_name);
  std::string s = "font-family: " + font_name + ";\r\n";
  s += "font-size: " + Decimal(AItem.FontHeight()) + "pt;\r\n";
  s += "color: " + ColorToHtml(AItem.FontColorRGB()) + ";\r\n";
  if (AItem.FontBold()) s += "font-weight: bold;\r\n";
  if (AItem.FontItalic()) s += "font-style: italic;\r\n";
  if (AItem.FontUnderline()) s += "text-decoration: underline;\r\n";
  if (AItem.FontStrikeOut()) s += "text-decoration: line-through;\r\n";
  s.append(HAlignStyle(AItem.HAlign())).append("\r\n");
  s.append(VAlignStyle(AItem.VAlign())).append("\r\n");
  const TXLColorIndex background = AItem.FillPatternBGColorIndex();
  if (background != xlColorIndexAutoText && background != xlColorIndexAutoBackground)
    s += "background-color: " + ColorToHtml(AItem.FillPatternBGColorRGB()) + ";\r\n";
  static constexpr struct {
    TCellBorderIndex Side;
    std::string_view Word;
  } kSides[] = {{xlBorderTop, "top"}, {xlBorderLeft, "left"}, {xlBorderBottom, "bottom"},
                {xlBorderRight, "right"}};
  for (const auto& side : kSides) {
    const TXLBorderStyle style = AItem.BorderStyle(side.Side);
    if (style == bsNone) continue;
    const TBorderLook look = BorderLook(style);
    const std::string prefix = "border-" + std::string(side.Word);
    s.append(prefix).append("-style: ").append(look.Name).append(";\r\n");
    s += prefix + "-color: " + ColorToHtml(AItem.BorderColorRGB(side.Side)) + ";\r\n";
    s.append(prefix).append("-width: ").append(1, look.Width).append(";\r\n");
  }
  return s;
}

void AppendCellTextHtml(std::string& AOut, std::u16string_view AText) {
  auto is_blank = [](char16_t c) { return c <= u' '; };
  const auto first = std::find_if_not(AText.begin(), AText.end(), is_blank);
  const auto last = std::find_if_not(AText.rbegin(), AText.rend(), is_blank).base();
  if (first >= last) {
    AOut += "&nbsp;";
    return;
  }
  const std::size_t start = AOut.size();
  AppendUtf16AsUtf8(AOut, AText.substr(first - AText.begin(), last - first));
  for (auto at = AOut.begin() + static_cast<std::ptrdiff_t>(start); at != AOut.end(); ++at)
    if (*at == '<' || *at == '>') *at = '_';
}

std::string CellTextToHtml(std::u16string_view AText) {
  std::string text;
  AppendCellTextHtml(text, AText);
  return text;
}

TXLSWriterHTML::TXLSWriterHTML(TSheet* ASheet) : FSheet(ASheet) {}

TXLSWriterHTML::~TXLSWriterHTML() = default;

void TXLSWriterHTML::Save(const std::string& AFileName, const TRangeRect& ARect) {
  TFileStream file(Utf16ToUtf8(MultiByteToWide(AFileName)), fmCreate);
  SaveToStream(file, ARect);
}

void TXLSWriterHTML::SaveToStream(TStream& AStream, const TRangeRect& ARect) {
  struct TStreamUse {
    explicit TStreamUse(TXLSWriterHTML& AWriter, TStream& AStream) : Writer(AWriter) {
      Writer.FStream = &AStream;
    }
    ~TStreamUse() {
      Writer.FStream = nullptr;
      Writer.FOut.clear();
    }
    TXLSWriterHTML& Writer;
  } use(*this, AStream);
  FRect = ARect;
  WriteDocument();
}

void TXLSWriterHTML::WriteDocument() {
  Put("<html>\r\n<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" "
      "/></head>");
  struct TStylesUse {
    explicit TStylesUse(TXLSWriterHTML& AWriter) : Writer(AWriter) { Writer.BuildStyles(); }
    ~TStylesUse() { Writer.FreeStyles(); }
    TXLSWriterHTML& Writer;
  } styles(*this);
  WriteStyles();
  WriteTable();
  Put("</html>");
  Flush();
}

void TXLSWriterHTML::BuildStyles() {
  FCSSList = std::make_unique<TVirtualDataTable>();
  const int rows = std::max(0, FRect.RowTo - FRect.RowFrom + 1);
  const int columns = std::max(0, FRect.ColumnTo - FRect.ColumnFrom + 1);
  FCSSCellMap.clear();
  FCSSCellMap.reserve(static_cast<std::size_t>(rows) * columns);
  // A style text depends only on the cell's XF record (with its font and the palette, which do
  // not change while a document is written), so each record's text is built once.
  std::vector<std::int32_t> class_of_xf;
  FXFFacts.clear();
  FNextStored = 0;
  for (int r = FRect.RowFrom; r < FRect.RowFrom + rows; ++r) {
    for (int c = FRect.ColumnFrom; c < FRect.ColumnFrom + columns; ++c) {
      const TCell* cell = CellAt(r, c);
      const auto xf = static_cast<std::size_t>(cell->XFTableIndex());
      if (xf >= class_of_xf.size()) class_of_xf.resize(xf + 1, -1);
      if (class_of_xf[xf] < 0) {
        class_of_xf[xf] = FCSSList->AddItem(CellStyleText(*cell));
        if (xf >= FXFFacts.size()) FXFFacts.resize(xf + 1);
        FXFFacts[xf] = {true, cell->Merged(), cell->FormatStringIndex()};
      }
      FCSSCellMap.push_back(class_of_xf[xf]);
    }
  }
}

TCell* TXLSWriterHTML::CellAt(int ARow, int AColumn) {
  TCells& cells = FSheet->Cells();
  const std::uint32_t key = WalkKey(ARow, AColumn);
  while (FNextStored < cells.Count()) {
    TCell* next = cells.ItemByIndex(FNextStored);
    const std::uint32_t next_key = WalkKey(next->Row(), next->Col());
    if (next_key > key) break;
    ++FNextStored;
    if (next_key == key) return next;
  }
  return cells.Item(ARow, AColumn);
}

void TXLSWriterHTML::FreeStyles() {
  FCSSList.reset();
  FCSSCellMap = {};
  FColumnWidthsPx = {};
  FXFFacts = {};
  FTextCache = {};
}

void TXLSWriterHTML::WriteStyles() {
  Put("<style>\r\n");
  for (int i = 0; i < FCSSList->Count(); ++i) {
    Put(".xl");
    PutNumber(i);
    Put("\r\n {");
    Put(FCSSList->Item(i));
    Put("}\r\n");
  }
  Put("</style>\r\n");
}

void TXLSWriterHTML::WriteTable() {
  long long width = 0;
  FColumnWidthsPx.clear();
  for (int c = FRect.ColumnFrom; c <= FRect.ColumnTo; ++c) {
    FColumnWidthsPx.push_back(FSheet->Columns().Item(c)->VisibleWidthPx() + 1);
    width += FColumnWidthsPx.back();
  }
  Put("<table cellpadding=0 cellspacing=0 border=0 width=");
  PutNumber(width);
  Put(" style=\"border-collapse:collapse;\">\r\n");
  FNextStored = 0;
  for (int r = FRect.RowFrom; r <= FRect.RowTo; ++r) {
    Put("<tr>\r\n");
    const int height = RowHeightPx(r);
    for (int c = FRect.ColumnFrom; c <= FRect.ColumnTo; ++c) WriteCell(r, c, height);
    Put("</tr>\r\n");
    if (FOut.size() >= kFlushSize) Flush();
  }
  Put("</table>\r\n");
}

int TXLSWriterHTML::RowHeightPx(int ARow) { return FSheet->Rows().Item(ARow)->VisibleHeightPx() + 1; }

void TXLSWriterHTML::WriteCell(int ARow, int AColumn, int AHeightPx) {
  TCell* cell = CellAt(ARow, AColumn);
  // A merged area is written as one cell at its top-left corner; the part of an area that
  // reaches beyond the rectangle is left out. A cell marked merged that lies in no merged area
  // is written as an ordinary cell.
  TRangeRect merged;
  const TXFFacts facts = FactsOf(*cell);
  const bool spans = facts.Merged && FSheet->FindMergedRectContainingCell(*cell, merged);
  if (spans) {
    merged.RowFrom = std::max(merged.RowFrom, FRect.RowFrom);
    merged.RowTo = std::min(merged.RowTo, FRect.RowTo);
    merged.ColumnFrom = std::max(merged.ColumnFrom, FRect.ColumnFrom);
    merged.ColumnTo = std::min(merged.ColumnTo, FRect.ColumnTo);
    if (ARow != merged.RowFrom || AColumn != merged.ColumnFrom) return;
  }
  const int columns = FRect.ColumnTo - FRect.ColumnFrom + 1;
  const std::int32_t css =
      FCSSCellMap[static_cast<std::size_t>(ARow - FRect.RowFrom) * columns + (AColumn - FRect.ColumnFrom)];
  FText.clear();
  AppendCellText(*cell, facts.Format);
  const std::string link = cell->StringData().empty() ? std::string() : Utf16ToUtf8(cell->Hyperlink());
  const std::string& text = FText;

  long long width = 0, height = AHeightPx;
  const int column_to = spans ? merged.ColumnTo : AColumn;
  for (int c = AColumn; c <= column_to; ++c) width += FColumnWidthsPx[c - FRect.ColumnFrom];
  if (spans)
    for (int r = ARow + 1; r <= merged.RowTo; ++r) height += RowHeightPx(r);

  // The opening tag is put together in place and appended at once.
  char tag[160];
  char* p = tag;
  auto put = [&p](std::string_view bytes) { p = std::copy(bytes.begin(), bytes.end(), p); };
  auto put_number = [&p](long long value) { p = std::to_chars(p, p + 24, value).ptr; };
  put("<td class=\"xl");
  put_number(css);
  *p++ = '"';
  if (spans) {
    put(" colspan=");
    put_number(column_to - AColumn + 1);
    put(" rowspan=");
    put_number(merged.RowTo - ARow + 1);
    *p++ = ' ';
  }
  put(" width=");
  put_number(width);
  put(" height=");
  put_number(height);
  *p++ = '>';
  std::string& line = FOut;
  line.append(tag, p);
  if (!link.empty()) {
    line += "<a href=\"";
    for (char ch : link) {
      if (ch == '"') line += "&quot;";  // a quote would end the attribute
      else line += ch;
    }
    line += "\">";
    line += text;
    line += "</a>";
  } else {
    line += text;
  }
  line += "</td>\r\n";
}

TXLSWriterHTML::TXFFacts TXLSWriterHTML::FactsOf(const TCell& ACell) const {
  const auto xf = static_cast<std::size_t>(ACell.XFTableIndex());
  if (xf < FXFFacts.size() && FXFFacts[xf].Known) return FXFFacts[xf];
  return {true, ACell.Merged(), ACell.FormatStringIndex()};
}

void TXLSWriterHTML::AppendCellText(const TCell& ACell, int AFormat) {
  const TCellValue& value = ACell.Value();
  if (const auto* text = std::get_if<std::u16string>(&value)) {
    // A text shows as it is whatever its format; the format is still looked up, as
    // ValueAsString does, so that a cell naming no format fails alike.
    FSheet->Workbook()->FormatStrings()->Format(AFormat);
    AppendCellTextHtml(FText, *text);
    return;
  }
  const TDisplayValue shown = ToDisplayValue(value);
  const double* number = std::get_if<double>(&shown);
  const auto* date = std::get_if<TDisplayDate>(&shown);
  if (!number && !date) {
    AppendCellTextHtml(FText, ACell.ValueAsString());
    return;
  }
  // A number's text depends only on its format and its value while a document is written.
  TTextKey key;
  key.Format = AFormat;
  key.Date = date != nullptr;
  const double v = number ? *number : date->value;
  std::memcpy(&key.Bits, &v, sizeof v);
  const std::uint64_t mix = (key.Bits ^ (static_cast<std::uint64_t>(key.Format) << 1 | key.Date)) * 0x9E3779B97F4A7C15ull;
  if (FTextCache.empty()) FTextCache.resize(kTextCacheSize);
  TCachedText& slot = FTextCache[mix >> (64 - kTextCacheBits)];
  if (!slot.Used || slot.Key.Bits != key.Bits || slot.Key.Format != key.Format || slot.Key.Date != key.Date) {
    slot.Text.clear();
    AppendCellTextHtml(slot.Text, ACell.ValueAsString());
    slot.Key = key;
    slot.Used = true;
  }
  FText += slot.Text;
}

void TXLSWriterHTML::PutNumber(long long AValue) { AppendDecimal(FOut, AValue); }

void TXLSWriterHTML::Flush() {
  if (FOut.empty()) return;
  FStream->WriteBuffer(FOut.data(), static_cast<std::int64_t>(FOut.size()));
  FOut.clear();
}
