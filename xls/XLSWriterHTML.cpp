#include "xls/XLSWriterHTML.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "platform/codepage.h"
#include "platform/stream.h"
#include "platform/utf.h"
#include "xls/VDataTable.h"
#include "xls/XLSFormatStr.h"
#include "xls/XLSMergedAreas.h"
#include "xls/XLSMetrics.h"
#include "xls/XLSWorkbook.h"

namespace {

constexpr std::size_t kBufferSize = 1 << 16;  // output bytes gathered before a stream write

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

char* WriteCellTextHtml(char* AOut, std::u16string_view AText) {
  std::size_t first = 0, last = AText.size();
  while (first < last && AText[first] <= u' ') ++first;
  while (last > first && AText[last - 1] <= u' ') --last;
  if (first == last) return std::copy_n("&nbsp;", 6, AOut);
  // ASCII and the two-byte characters (Latin, Cyrillic) are written here, "<" and ">" replaced;
  // a character of three bytes or a surrogate goes through the general UTF-8 encoder.
  auto* p = reinterpret_cast<unsigned char*>(AOut);
  for (std::size_t i = first; i < last; ++i) {
    const char16_t c = AText[i];
    if (c < 0x80) {
      *p++ = c == u'<' || c == u'>' ? '_' : static_cast<unsigned char>(c);
    } else if (c < 0x800) {
      *p++ = static_cast<unsigned char>(0xC0 | (c >> 6));
      *p++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else {
      const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < last && AText[i + 1] >= 0xDC00 &&
                        AText[i + 1] <= 0xDFFF;
      const std::size_t units = pair ? 2 : 1;
      p = reinterpret_cast<unsigned char*>(
          WriteUtf16AsUtf8(reinterpret_cast<char*>(p), AText.substr(i, units)));
      i += units - 1;
    }
  }
  return reinterpret_cast<char*>(p);
}

void AppendCellTextHtml(std::string& AOut, std::u16string_view AText) {
  const std::size_t start = AOut.size();
  AOut.resize(start + CellTextHtmlRoom(AText));
  AOut.resize(static_cast<std::size_t>(WriteCellTextHtml(AOut.data() + start, AText) - AOut.data()));
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
      Writer.FOut.resize(kBufferSize);
      Writer.FUsed = 0;
    }
    ~TStreamUse() {
      Writer.FStream = nullptr;
      Writer.FOut = {};
      Writer.FUsed = 0;
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
  FXFFacts.clear();
  FNextStored = 0;
  // A style text depends only on the cell's XF record (with its font and the palette, which do
  // not change while a document is written), so each record's text is built once; classes are
  // numbered by first use, rows first.
  for (int r = FRect.RowFrom; r <= FRect.RowTo; ++r)
    for (int c = FRect.ColumnFrom; c <= FRect.ColumnTo; ++c) FactsOf(*CellAt(r, c));
  FClassTags.clear();
  while (FClassTags.size() < static_cast<std::size_t>(FCSSList->Count())) AddClassTag();
}

void TXLSWriterHTML::AddClassTag() {
  std::string tag = "<td class=\"xl";
  AppendDecimal(tag, static_cast<long long>(FClassTags.size()));
  tag += '"';
  FClassTags.push_back(std::move(tag));
}

const TXLSWriterHTML::TXFFacts& TXLSWriterHTML::LearnFacts(const TCell& ACell) {
  const auto xf = static_cast<std::size_t>(ACell.XFTableIndex());
  if (xf >= FXFFacts.size()) FXFFacts.resize(xf + 1);
  TXFFacts& facts = FXFFacts[xf];
  if (!facts.Known)
    facts = {true, ACell.Merged(), ACell.FormatStringIndex(), FCSSList->AddItem(CellStyleText(ACell))};
  return facts;
}

TCell* TXLSWriterHTML::CellAt(int ARow, int AColumn) {
  TCells& cells = FSheet->Cells();
  const std::uint32_t key = TCells::KeyOf(ARow, AColumn);
  while (FNextStored < cells.Count()) {
    TCell* next = cells.ItemByIndex(FNextStored);
    const std::uint32_t next_key = TCells::KeyOf(next->Row(), next->Col());
    if (next_key > key) break;
    ++FNextStored;
    if (next_key == key) return next;
  }
  return cells.Item(ARow, AColumn);
}

void TXLSWriterHTML::FreeStyles() {
  FCSSList.reset();
  FColumnWidthsPx = {};
  FClassTags = {};
  FColumnTags = {};
  FCellTags = {};
  FXFFacts = {};
  FMergedAreas.reset();
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
  FColumnTags.clear();
  FCellTags.clear();
  for (int c = FRect.ColumnFrom; c <= FRect.ColumnTo; ++c) {
    FColumnWidthsPx.push_back(FSheet->Columns().Item(c)->VisibleWidthPx() + 1);
    width += FColumnWidthsPx.back();
    std::string tag = " width=";
    AppendDecimal(tag, FColumnWidthsPx.back());
    tag += " height=";
    FColumnTags.push_back(std::move(tag));
  }
  Put("<table cellpadding=0 cellspacing=0 border=0 width=");
  PutNumber(width);
  Put(" style=\"border-collapse:collapse;\">\r\n");
  FNextStored = 0;
  for (int r = FRect.RowFrom; r <= FRect.RowTo; ++r) {
    Put("<tr>\r\n");
    char tail[24];
    char* end = std::to_chars(tail, tail + sizeof tail - 1, RowHeightPx(r)).ptr;
    *end++ = '>';
    const std::string_view row_tail(tail, static_cast<std::size_t>(end - tail));
    for (int c = FRect.ColumnFrom; c <= FRect.ColumnTo; ++c) WriteCell(r, c, row_tail);
    Put("</tr>\r\n");
  }
  Put("</table>\r\n");
}

int TXLSWriterHTML::RowHeightPx(int ARow) {
  // A row that is not stored has the default height: no transient row is made for it.
  if (const TRow* row = FSheet->Rows().Find(ARow)) return row->VisibleHeightPx() + 1;
  return DisplayMetrics().DefaultRowHeightPx + 1;
}

void TXLSWriterHTML::WriteCell(int ARow, int AColumn, std::string_view ARowTail) {
  TCell* cell = CellAt(ARow, AColumn);
  const TXFFacts& facts = FactsOf(*cell);
  while (FClassTags.size() <= static_cast<std::size_t>(facts.Class)) AddClassTag();
  const std::string& class_tag = FClassTags[static_cast<std::size_t>(facts.Class)];
  // A merged area is written as one cell at its top-left corner; the part of an area that
  // reaches beyond the rectangle is left out. A cell marked merged that lies in no merged area
  // is written as an ordinary cell.
  TRangeRect merged;
  if (facts.Merged && !FMergedAreas) FMergedAreas = std::make_unique<TMergedAreaIndex>(*FSheet, FRect);
  if (facts.Merged && FMergedAreas->Find(ARow, AColumn, merged)) {
    merged.RowFrom = std::max(merged.RowFrom, FRect.RowFrom);
    merged.RowTo = std::min(merged.RowTo, FRect.RowTo);
    merged.ColumnFrom = std::max(merged.ColumnFrom, FRect.ColumnFrom);
    merged.ColumnTo = std::min(merged.ColumnTo, FRect.ColumnTo);
    if (ARow != merged.RowFrom || AColumn != merged.ColumnFrom) return;
    long long width = 0, height = RowHeightPx(ARow);
    for (int c = AColumn; c <= merged.ColumnTo; ++c) width += FColumnWidthsPx[c - FRect.ColumnFrom];
    for (int r = ARow + 1; r <= merged.RowTo; ++r) height += RowHeightPx(r);
    Put(class_tag);
    Put(" colspan=");
    PutNumber(merged.ColumnTo - AColumn + 1);
    Put(" rowspan=");
    PutNumber(merged.RowTo - ARow + 1);
    Put("  width=");
    PutNumber(width);
    Put(" height=");
    PutNumber(height);
    Put(">");
  } else {
    // The tag up to the height, by class and column, is put together once.
    const std::size_t columns = FColumnTags.size(), column = static_cast<std::size_t>(AColumn - FRect.ColumnFrom);
    const std::size_t at = static_cast<std::size_t>(facts.Class) * columns + column;
    if (FCellTags.size() <= at) FCellTags.resize((static_cast<std::size_t>(facts.Class) + 1) * columns);
    std::string& tag = FCellTags[at];
    if (tag.empty()) tag = class_tag + FColumnTags[column];
    char* p = Room(tag.size() + ARowTail.size());
    p = std::copy(tag.begin(), tag.end(), p);
    Commit(std::copy(ARowTail.begin(), ARowTail.end(), p));
  }
  if (cell->StringData().empty()) {
    PutCellText(*cell, facts.Format);
  } else {
    const std::string link = Utf16ToUtf8(cell->Hyperlink());
    if (link.empty()) {
      PutCellText(*cell, facts.Format);
    } else {
      Put("<a href=\"");
      for (std::size_t at = 0; at < link.size();) {  // a quote would end the attribute
        const std::size_t quote = std::min(link.find('"', at), link.size());
        Put(std::string_view(link).substr(at, quote - at));
        if (quote < link.size()) Put("&quot;");
        at = quote + 1;
      }
      Put("\">");
      PutCellText(*cell, facts.Format);
      Put("</a>");
    }
  }
  Put("</td>\r\n");
}

void TXLSWriterHTML::PutCellText(const TCell& ACell, int AFormat) {
  const TCellValue& value = ACell.Value();
  if (const auto* text = std::get_if<std::u16string>(&value)) {
    // A text shows as it is whatever its format; the format is still looked up, as
    // ValueAsString does, so that a cell naming no format fails alike.
    FSheet->Workbook()->FormatStrings()->Format(AFormat);
    PutTextHtml(*text);
    return;
  }
  const TDisplayValue shown = ToDisplayValue(value);
  const double* number = std::get_if<double>(&shown);
  const auto* date = std::get_if<TDisplayDate>(&shown);
  if (!number && !date) {
    PutTextHtml(ACell.ValueAsString());
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
  Put(slot.Text);
}

void TXLSWriterHTML::MakeRoom(std::size_t ACount) {
  Flush();
  if (FOut.size() < ACount) FOut.resize(ACount);
}

void TXLSWriterHTML::PutNumber(long long AValue) {
  char* p = Room(24);
  Commit(std::to_chars(p, p + 24, AValue).ptr);
}

void TXLSWriterHTML::Flush() {
  if (FUsed == 0) return;
  FStream->WriteBuffer(FOut.data(), static_cast<std::int64_t>(FUsed));
  FUsed = 0;
}
