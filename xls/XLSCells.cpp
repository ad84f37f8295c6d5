#include "xls/XLSCells.h"

#include "xls/BiffStrings.h"
#include "xls/XLSCellText.h"
#include "xls/XLSError.h"
#include "xls/XLSFormatStr.h"
#include "xls/XLSStringData.h"
#include "xls/XLSWorkbook.h"

namespace {

constexpr std::size_t kMaxTextLength = 65535;
constexpr int kDateFormatPosition = 13;  // format 14, "mm/dd/yy"
constexpr TXLColorIndex kHyperlinkColor = 5;

bool IsAssignable(const TCellValue& value) {
  if (std::holds_alternative<std::monostate>(value) || std::holds_alternative<TCellNull>(value))
    return false;
  if (const auto* text = std::get_if<std::u16string>(&value)) return text->size() <= kMaxTextLength;
  if (const auto* bytes = std::get_if<std::string>(&value)) return bytes->size() <= kMaxTextLength;
  return true;
}

std::string ToUtf16LEBytes(const std::u16string& text) {
  std::string bytes;
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

}  // namespace

TCell::TCell(TCells* AOwner, int ARow, int ACol, TCommonWorkbookCellData* ACommonCellData)
    : TCustomXLSItem(AOwner, ACommonCellData),
      FRow(static_cast<std::uint16_t>(ARow)),
      FCol(static_cast<std::uint16_t>(ACol)) {
  if (ACommonCellData->ProcessingState != psReading) ApplyRowColumnFormat();
}

TCell::~TCell() {
  if (FHasStringData) Cells().FStringData.erase(this);
}

const std::string& TCell::StringData() const {
  static const std::string kNone;
  return FHasStringData ? Cells().FStringData.find(this)->second : kNone;
}

std::string& TCell::MutableStringData() {
  FHasStringData = true;
  return Cells().FStringData[this];
}

TCells& TCell::Cells() const { return static_cast<TCells&>(*FOwner); }

void TCell::ApplyRowColumnFormat() {
  TSheet* sheet = FOwner->Owner();
  if (!sheet) return;
  const int d = Common().XFTable->DefaultIndex();
  TRow* row = sheet->Rows().Find(FRow);
  TColumn* column = sheet->Columns().Find(FCol);
  const int r = row ? row->XFTableIndex() : d;
  const int c = column ? column->XFTableIndex() : d;
  if (r == d) {
    FXFTableIndex = c;
    return;
  }
  if (c == d) {
    FXFTableIndex = r;
    return;
  }
  // Both formatted: the row's attribute wins unless it is the default, attribute by attribute.
  // Building the format must not store the new cell.
  struct TPreventStore {
    explicit TPreventStore(TCustomXLSItems& items) : Items(items) { Items.SetPreventStoreItems(true); }
    ~TPreventStore() { Items.SetPreventStoreItems(false); }
    TCustomXLSItems& Items;
  } prevent(*FOwner);
  for (TCellBorderIndex side : {xlBorderLeft, xlBorderRight, xlBorderTop, xlBorderBottom}) {
    const TXLColorIndex color = row->BorderColorIndex(side);
    SetBorderColorIndex(side, color != xlColorIndexAutoBackground ? color : column->BorderColorIndex(side));
  }
  for (TCellBorderIndex side : {xlBorderLeft, xlBorderRight, xlBorderTop, xlBorderBottom}) {
    const TXLBorderStyle style = row->BorderStyle(side);
    SetBorderStyle(side, style != bsNone ? style : column->BorderStyle(side));
  }
  auto pick = [](auto from_row, auto unset, auto from_column) {
    return from_row != unset ? from_row : from_column;
  };
  SetFillPatternBGColorIndex(pick(row->FillPatternBGColorIndex(), xlColorIndexAutoBackground,
                                  column->FillPatternBGColorIndex()));
  SetFillPatternFGColorIndex(pick(row->FillPatternFGColorIndex(), xlColorIndexAutoText,
                                  column->FillPatternFGColorIndex()));
  SetFillPattern(pick(row->FillPattern(), xlPatternNone, column->FillPattern()));
  SetFormatStringIndex(pick(row->FormatStringIndex(), 0, column->FormatStringIndex()));
  SetHAlign(pick(row->HAlign(), xlHAlignGeneral, column->HAlign()));
  SetVAlign(pick(row->VAlign(), xlVAlignTop, column->VAlign()));
  SetRotation(pick(row->Rotation(), std::uint8_t{0}, column->Rotation()));
  SetIndent(pick(row->Indent(), std::uint8_t{0}, column->Indent()));
  SetFontUnderlineStyle(pick(row->FontUnderlineStyle(), xlFontUnderlineNone, column->FontUnderlineStyle()));
  SetFontSSStyle(pick(row->FontSSStyle(), xlFontSSNone, column->FontSSStyle()));
  SetWrap(row->Wrap() || column->Wrap());
  SetFontBold(row->FontBold() || column->FontBold());
  SetFontItalic(row->FontItalic() || column->FontItalic());
  SetFontUnderline(row->FontUnderline() || column->FontUnderline());
  SetFontStrikeOut(row->FontStrikeOut() || column->FontStrikeOut());
  SetFontName(pick(row->FontName(), std::u16string(u"Arial"), column->FontName()));
  SetFontColorIndex(pick(row->FontColorIndex(), xlColorIndexAutoText, column->FontColorIndex()));
  SetFontHeight(pick(row->FontHeight(), std::uint16_t{10}, column->FontHeight()));
}

std::u16string TCell::ValueAsString() const {
  const TNumberFormat& entry = Common().FormatStringsTable->Format(FormatStringIndex());
  return CellValueText(ToDisplayValue(FValue), entry,
                       Common().ProcessingState == psDataFromFile, WorkbookCodePage());
}

void TCell::SetValue(const TCellValue& AValue) { SetValue(TCellValue(AValue)); }

void TCell::SetValue(TCellValue&& AValue) {
  if (!IsAssignable(AValue)) throw EXLSError(EXLS_BADCELLVALUE);
  if (std::holds_alternative<TCellDate>(AValue) && !std::holds_alternative<TCellDate>(FValue) &&
      FormatStringIndex() == 0)
    SetFormatStringIndex(kDateFormatPosition);
  if (IsEmptyValue(FValue) || FValue != AValue) FValue = std::move(AValue);
  if (!Stored()) StoreSelf();
}

std::string TCell::Formula() const { return GetStringDataField(StringData(), 'F'); }

void TCell::SetFormula(const std::string& AValue) {
  if (AValue == Formula()) return;
  SetStringDataField(MutableStringData(), 'F', AValue);
  StoreSelf();
}

std::u16string TCell::Hyperlink() const {
  const std::string bytes = GetStringDataField(StringData(), 'H');
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    text += static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                  (static_cast<std::uint8_t>(bytes[i + 1]) << 8));
  return text;
}

void TCell::SetHyperlink(const std::u16string& AValue) {
  if (AValue == Hyperlink()) return;
  SetStringDataField(MutableStringData(), 'H', ToUtf16LEBytes(AValue));
  SetFontColorIndex(kHyperlinkColor);
  SetFontUnderline(true);
  if (IsEmptyValue(FValue)) FValue = AValue;
  StoreSelf();
}

TCellHyperlinkType TCell::HyperlinkType() const {
  const std::string field = GetStringDataField(StringData(), 'L');
  return field.empty() ? hltAuto : static_cast<TCellHyperlinkType>(static_cast<std::uint8_t>(field[0]));
}

void TCell::SetHyperlinkType(TCellHyperlinkType AValue) {
  SetStringDataField(MutableStringData(), 'L', std::string(1, static_cast<char>(AValue)));
}

std::string TCell::RichFormat() const { return GetStringDataField(StringData(), 'R'); }

void TCell::SetRichFormat(const std::string& AValue) {
  if (AValue == RichFormat()) return;
  SetStringDataField(MutableStringData(), 'R', AValue);
  StoreSelf();
}

void TCell::Clear() { FOwner->RemoveItem(this); }

// ---- TCells ----

TCells::~TCells() {
  // Cells leave their side data here, so they go while it is still there.
  FTmpItem.reset();
  FList.clear();
}

TCell* TCells::Item(int ARow, int ACol) {
  if (!InSheet(ARow, ACol)) throw EXLSError(EXLS_BADROWCOL);
  if (TCell* stored = FindCell(ARow, ACol)) return stored;
  FTmpItem.reset();
  return static_cast<TCell*>(MakeTransient(NewItem<TCell>(this, ARow, ACol, FCommonWorkbookCellData)));
}

TCell* TCells::StoredItem(int ARow, int ACol) {
  if (!InSheet(ARow, ACol)) throw EXLSError(EXLS_BADROWCOL);
  if (PreventStoreItems()) return Item(ARow, ACol);
  return static_cast<TCell*>(FindOrStoreNew(NewItem<TCell>(this, ARow, ACol, FCommonWorkbookCellData)));
}

TCell* TCells::FindCell(int ARow, int ACol) const {
  if (!InSheet(ARow, ACol)) return nullptr;
  return static_cast<TCell*>(FindByKey(KeyOf(ARow, ACol)));
}

std::uint32_t TCells::GetItemKey(const TCustomXLSItem& AItem) const {
  const auto& cell = static_cast<const TCell&>(AItem);
  return KeyOf(cell.Row(), cell.Col());
}
