#include "xls/XLSItems.h"

#include <algorithm>

#include "platform/format.h"
#include "xls/ListErrors.h"

// ---- containers ----

void TItemDelete::operator()(TCustomXLSItem* AItem) const {
  TCustomXLSItems* owner = AItem->FOwner;
  AItem->~TCustomXLSItem();
  owner->FPool.Release(AItem);
}

TCustomXLSItems::~TCustomXLSItems() {
  // The items go first: giving their slots back needs the pool.
  FTmpItem.reset();
  FList.clear();
}

void TCustomXLSItems::StoreItem(TCustomXLSItem* AItem) {
  if (FPreventStoreItems || AItem->FStored) return;
  TItemPtr owned;
  if (AItem == FTmpItem.get()) owned = std::move(FTmpItem);
  else return;  // only the transient item can become stored
  AItem->FStored = true;
  FItems.Set(GetItemKey(*AItem), static_cast<std::uint32_t>(FList.size()));
  FList.push_back(std::move(owned));
}

void TCustomXLSItems::RemoveItem(TCustomXLSItem* AItem) {
  if (!AItem->FStored) return;
  const auto found = std::find_if(FList.begin(), FList.end(),
                                  [AItem](const auto& item) { return item.get() == AItem; });
  FItems.Remove(GetItemKey(*AItem), static_cast<std::uint32_t>(found - FList.begin()));
  if (found != FList.end()) FList.erase(found);
}

void TCustomXLSItems::RaiseIndexError(int AIndex) {
  throw ERangeError(Format(u"List index (%d) out of bounds", {AIndex}));
}

TCustomXLSItem* TCustomXLSItems::FindByKey(std::uint32_t AKey) const {
  const std::uint32_t position = FItems.Find(AKey);
  return position == TItemIndex::kNone ? nullptr : FList[position].get();
}

TCustomXLSItem* TCustomXLSItems::MakeTransient(TItemPtr AItem) {
  FTmpItem = std::move(AItem);
  return FTmpItem.get();
}

TCustomXLSItem* TCustomXLSItems::FindOrStoreNew(TItemPtr AItem) {
  if (FList.size() == FList.capacity()) FList.reserve(2 * FList.size() + 16);  // push_back cannot fail
  const std::uint32_t found = FItems.Insert(GetItemKey(*AItem), static_cast<std::uint32_t>(FList.size()));
  if (found != TItemIndex::kNone) return FList[found].get();
  AItem->FStored = true;
  FList.push_back(std::move(AItem));
  return FList.back().get();
}

// ---- items: reading ----

TCustomXLSItem::TCustomXLSItem(TCustomXLSItems* AOwner, TCommonWorkbookCellData* ACommonCellData)
    : FOwner(AOwner), FXFTableIndex(ACommonCellData->XFTable->DefaultIndex()) {}

TXFData TCustomXLSItem::XF() const { return Common().XFTable->Record(FXFTableIndex); }

const TFontData& TCustomXLSItem::Font() const {
  return Common().FontTable->LoadFontToBuffer(XF().FontIndex);
}

TXLColorIndex TCustomXLSItem::BorderColorIndex(TCellBorderIndex ASide) const {
  const TXFData xf = XF();
  switch (ASide) {
    case xlBorderLeft: return xf.LeftBorderColor;
    case xlBorderRight: return xf.RightBorderColor;
    case xlBorderTop: return xf.TopBorderColor;
    case xlBorderBottom: return xf.BottomBorderColor;
    default: return xlColorIndexAutoBackground;
  }
}

TXLBorderStyle TCustomXLSItem::BorderStyle(TCellBorderIndex ASide) const {
  const TXFData xf = XF();
  switch (ASide) {
    case xlBorderLeft: return xf.LeftBorderStyle;
    case xlBorderRight: return xf.RightBorderStyle;
    case xlBorderTop: return xf.TopBorderStyle;
    case xlBorderBottom: return xf.BottomBorderStyle;
    default: return bsNone;
  }
}

// ---- items: changing ----

void TCustomXLSItem::ForEachDependentCell(const std::function<void(TCustomXLSItem&)>&) {}

template <typename Get, typename Set, typename Value>
void TCustomXLSItem::ChangeXF(Get get, Set set, Value value, bool store, bool always) {
  TVirtualXFTable& table = *Common().XFTable;
  TXFData& buffer = table.LoadXFToBuffer(FXFTableIndex);
  if (!always && get(buffer) == value) return;
  set(buffer, value);
  FXFTableIndex = table.SaveChangedBuffer();
  if (store) StoreSelf();
}

template <typename Get, typename Set, typename Value>
void TCustomXLSItem::ChangeFont(Get get, Set set, const Value& value) {
  TVirtualFontTable& fonts = *Common().FontTable;
  TFontData& buffer = fonts.LoadFontToBuffer(XF().FontIndex);
  if (get(buffer) == value) return;
  set(buffer, value);
  SetFontTableIndex(fonts.SaveChangedBuffer());
  StoreSelf();
}

// Reader and writer of one field of a packed record.
#define XLS_FIELD(Record, Field)                          \
  [](const Record& r) { return r.Field; },                \
  [](Record& r, auto v) { r.Field = static_cast<decltype(r.Field)>(v); }
#define XF_FIELD(Field) XLS_FIELD(TXFData, Field)
#define FONT_FIELD(Field) XLS_FIELD(TFontData, Field)

// The setter of a field that rows and columns pass on to their cells.
#define XLS_SETTER(Name, Type, Change)                                              \
  void TCustomXLSItem::Set##Name(Type AValue) {                                     \
    Change;                                                                         \
    ForEachDependentCell([&](TCustomXLSItem& cell) { cell.Set##Name(AValue); });     \
  }

void TCustomXLSItem::SetXFTableIndex(int AValue) {
  if (AValue == FXFTableIndex) return;
  FXFTableIndex = AValue;
  StoreSelf();
}

XLS_SETTER(FillPatternBGColorIndex, TXLColorIndex,
           ChangeXF(XF_FIELD(BgColor), AValue, AValue != xlColorIndexAutoBackground))
XLS_SETTER(FillPatternFGColorIndex, TXLColorIndex,
           ChangeXF(XF_FIELD(FgColor), AValue, AValue != xlColorIndexAutoText))
XLS_SETTER(FillPatternBGColorRGB, std::uint32_t,
           SetFillPatternBGColorIndex(NearestColorIndex(AValue)))
XLS_SETTER(FillPatternFGColorRGB, std::uint32_t,
           SetFillPatternFGColorIndex(NearestColorIndex(AValue)))
XLS_SETTER(FillPattern, TXLPattern, ChangeXF(XF_FIELD(FillPattern), AValue, AValue != xlPatternNone))
XLS_SETTER(HAlign, TCellHAlignment, ChangeXF(XF_FIELD(HAlign), AValue, AValue != 0))
// Stored unless top (0), although the default is bottom.
XLS_SETTER(VAlign, TCellVAlignment, ChangeXF(XF_FIELD(VAlign), AValue, AValue != 0))
XLS_SETTER(Wrap, bool, ChangeXF(XF_FIELD(Wrap), AValue, AValue))
XLS_SETTER(Rotation, std::uint8_t, ChangeXF(XF_FIELD(Rotation), AValue, AValue != 0))
XLS_SETTER(Indent, std::uint8_t,
           ChangeXF(XF_FIELD(Indent), std::min<std::uint8_t>(AValue, 15), AValue != 0))
XLS_SETTER(FormatStringIndex, int, ChangeXF(XF_FIELD(FormatIndex), AValue, true))
XLS_SETTER(FontBold, bool, ChangeFont(FONT_FIELD(Bold), AValue))
XLS_SETTER(FontItalic, bool, ChangeFont(FONT_FIELD(Italic), AValue))
XLS_SETTER(FontUnderline, bool, ChangeFont(FONT_FIELD(Underline), AValue))
XLS_SETTER(FontStrikeOut, bool, ChangeFont(FONT_FIELD(StrikeOut), AValue))
XLS_SETTER(FontUnderlineStyle, TXLFontUnderlineStyle, ChangeFont(FONT_FIELD(UnderlineStyle), AValue))
XLS_SETTER(FontSSStyle, TXLFontSSStyle, ChangeFont(FONT_FIELD(SSStyle), AValue))
XLS_SETTER(FontColorIndex, TXLColorIndex, ChangeFont(FONT_FIELD(ColorIndex), AValue))
XLS_SETTER(FontHeight, std::uint16_t, ChangeFont(FONT_FIELD(Height), AValue))
XLS_SETTER(FontName, const std::u16string&,
           ChangeFont([](const TFontData& f) { return FontNameOf(f); },
                      [](TFontData& f, const std::u16string& v) { SetFontNameOf(f, v); }, AValue))

void TCustomXLSItem::SetFontColorRGB(std::uint32_t AValue) {
  SetFontColorIndex(NearestColorIndex(AValue));
  StoreSelf();
}

void TCustomXLSItem::SetMerged(bool AValue) { ChangeXF(XF_FIELD(Merge), AValue, AValue); }

void TCustomXLSItem::SetLocked(bool AValue) { ChangeXF(XF_FIELD(Locked), AValue, !AValue); }

void TCustomXLSItem::SetFontTableIndex(int AValue) {
  ChangeXF(XF_FIELD(FontIndex), AValue, AValue != 0);
}

namespace {

// Applies `set` to side `side` of `xf`, or to all four sides for xlBorderAll.
template <typename SetSide>
void ForSides(TCellBorderIndex side, SetSide set_side) {
  if (side == xlBorderAll) {
    for (TCellBorderIndex s : {xlBorderLeft, xlBorderRight, xlBorderTop, xlBorderBottom}) set_side(s);
  } else if (side <= xlBorderBottom) {
    set_side(side);
  }
}

}  // namespace

void TCustomXLSItem::SetBorderColorIndex(TCellBorderIndex ASide, TXLColorIndex AValue) {
  auto set = [ASide](TXFData& xf, TXLColorIndex v) {
    ForSides(ASide, [&](TCellBorderIndex s) {
      (s == xlBorderLeft ? xf.LeftBorderColor : s == xlBorderRight ? xf.RightBorderColor
       : s == xlBorderTop ? xf.TopBorderColor : xf.BottomBorderColor) = v;
    });
  };
  ChangeXF([](const TXFData&) { return 0; }, set, AValue, true, true);
  ForEachDependentCell([&](TCustomXLSItem& cell) { cell.SetBorderColorIndex(ASide, AValue); });
}

void TCustomXLSItem::SetBorderColorRGB(TCellBorderIndex ASide, std::uint32_t AValue) {
  SetBorderColorIndex(ASide, NearestColorIndex(AValue));
}

void TCustomXLSItem::SetBorderStyle(TCellBorderIndex ASide, TXLBorderStyle AValue) {
  auto set = [ASide](TXFData& xf, TXLBorderStyle v) {
    ForSides(ASide, [&](TCellBorderIndex s) {
      (s == xlBorderLeft ? xf.LeftBorderStyle : s == xlBorderRight ? xf.RightBorderStyle
       : s == xlBorderTop ? xf.TopBorderStyle : xf.BottomBorderStyle) = v;
    });
  };
  ChangeXF([](const TXFData&) { return bsNone; }, set, AValue, true, true);
  ForEachDependentCell([&](TCustomXLSItem& cell) { cell.SetBorderStyle(ASide, AValue); });
}
