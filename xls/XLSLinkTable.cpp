#include "xls/XLSLinkTable.h"

#include "xls/XLSError.h"
#include "xls/XLSRecordData.h"

namespace {

constexpr std::uint16_t kSelfReference = 0x0401;
constexpr std::uint16_t kAddInReference = 0x3A01;

TEasyStream StreamOf(std::string_view AData) {
  TEasyStream s;
  s.WriteBytes(AData.data(), static_cast<std::int64_t>(AData.size()));
  s.SetPosition(0);
  return s;
}

// A string with a 2-byte character count and flags.
std::u16string ReadUnicodeString(TEasyStream& s) {
  const std::uint16_t count = RecordWord(s);
  return RecordFlaggedText(s, count);
}

// Token ids of the references a name formula may hold, by their base class (bits 0 to 4 with
// the class bits 5 and 6 dropped).
enum : std::uint8_t {
  ptgIsect = 0x0F, ptgUnion = 0x10, ptgRange = 0x11, ptgParen = 0x15,
  ptgRef = 0x04, ptgArea = 0x05, ptgMemArea = 0x06, ptgMemErr = 0x07, ptgMemNoMem = 0x08,
  ptgMemFunc = 0x09, ptgRef3d = 0x1A, ptgArea3d = 0x1B, ptgRefErr3d = 0x1C, ptgAreaErr3d = 0x1D,
};

}  // namespace

void TXLSLinkTable::AddSupbook(std::string_view AData) {
  TEasyStream s = StreamOf(AData);
  TXLSSupbook book;
  const std::uint16_t sheets = RecordWord(s);
  const std::uint16_t count = RecordWord(s);
  if (count == kSelfReference) {
    book.Kind = sbLocal;
  } else if (count == kAddInReference) {
    book.Kind = sbAddIn;
  } else {
    book.FileName = RecordFlaggedText(s, count);
    for (int i = 0; i < sheets && s.ReadableSize() > 0; ++i) book.SheetNames.push_back(ReadUnicodeString(s));
  }
  FSupbooks.push_back(std::move(book));
}

void TXLSLinkTable::AddExternsheet(std::string_view AData) {
  TEasyStream s = StreamOf(AData);
  const std::uint16_t count = RecordWord(s);
  if (s.ReadableSize() < std::int64_t{count} * 6) throw EXLSError(EXLS_INVALIDLINKTABLE);
  for (int i = 0; i < count; ++i) {
    TXLSExternSheet ref;
    ref.Supbook = RecordWord(s);
    ref.FirstSheet = static_cast<std::int16_t>(RecordWord(s));
    ref.LastSheet = static_cast<std::int16_t>(RecordWord(s));
    FExternSheets.push_back(ref);
  }
}

void TXLSLinkTable::AddExternname(std::string_view AData) {
  if (FSupbooks.empty()) throw EXLSError(EXLS_INVALIDLINKTABLE);
  TEasyStream s = StreamOf(AData);
  s.SkipBytes(6);  // option flags and the reserved or sheet fields
  const std::uint8_t count = RecordByte(s);
  FSupbooks.back().ExternNames.push_back(RecordFlaggedText(s, count));
}

void TXLSLinkTable::AddName(std::string_view AData) {
  TEasyStream s = StreamOf(AData);
  TXLSDefinedName name;
  name.Options = RecordWord(s);
  name.BuiltIn = (name.Options & 0x0020) != 0;
  s.SkipBytes(1);  // keyboard shortcut
  const std::uint8_t count = RecordByte(s);
  const std::uint16_t formula_size = RecordWord(s);
  s.SkipBytes(2);
  name.SheetTab = RecordWord(s);
  s.SkipBytes(4);  // menu, description, help and status text lengths
  const std::uint8_t flags = RecordByte(s);
  if (name.BuiltIn) {
    name.Code = RecordByte(s);
    if (flags & 1) s.SkipBytes(1);
    if (count > 1) s.SkipBytes((flags & 1 ? 2 : 1) * (count - 1));
  } else {
    name.Name = RecordText(s, count, flags);
  }
  name.Formula = RecordBytes(s, formula_size);
  FNames.push_back(std::move(name));
}

void TXLSLinkTable::AddLocalSheetName(const std::u16string& AName) { FLocalSheetNames.push_back(AName); }

TXLSNameArea TXLSLinkTable::NameArea(const TXLSDefinedName& AName) const {
  TXLSNameArea area;
  TEasyStream s = StreamOf(AName.Formula);
  int sheet = AName.SheetTab > 0 ? AName.SheetTab - 1 : -1;
  bool references_only = true;
  // The sheet of the workbook that an external-sheet reference names, or -1.
  auto local_sheet = [this](std::uint16_t ixti) {
    if (ixti >= FExternSheets.size()) throw EXLSError(EXLS_INVALIDLINKTABLE);
    const TXLSExternSheet& ref = FExternSheets[ixti];
    if (ref.Supbook >= FSupbooks.size() || FSupbooks[ref.Supbook].Kind != sbLocal) return -1;
    return static_cast<int>(ref.FirstSheet);
  };
  std::vector<std::pair<int, TRangeRect>> found;
  auto add = [&](int on_sheet, int row_from, int row_to, int column_from, int column_to) {
    TRangeRect rect;
    rect.RowFrom = static_cast<std::uint16_t>(row_from);
    rect.RowTo = static_cast<std::uint16_t>(row_to);
    rect.ColumnFrom = static_cast<std::uint8_t>(column_from & 0x3FFF);
    rect.ColumnTo = static_cast<std::uint8_t>(column_to & 0x3FFF);
    found.emplace_back(on_sheet, rect);
  };
  while (s.ReadableSize() > 0 && references_only) {
    const std::uint8_t token = RecordByte(s);
    if (token == ptgIsect || token == ptgUnion || token == ptgRange || token == ptgParen) continue;
    if (token < 0x20 || token >= 0x80) {  // an operator, a constant or a function
      references_only = false;
      break;
    }
    switch (token & 0x1F) {  // the reference kind, without its class bits
      case ptgRef: {
        const std::uint16_t row = RecordWord(s), column = RecordWord(s);
        add(sheet, row, row, column, column);
        break;
      }
      case ptgArea: {
        const std::uint16_t r1 = RecordWord(s), r2 = RecordWord(s), c1 = RecordWord(s), c2 = RecordWord(s);
        add(sheet, r1, r2, c1, c2);
        break;
      }
      case ptgRef3d: {
        const int on = local_sheet(RecordWord(s));
        const std::uint16_t row = RecordWord(s), column = RecordWord(s);
        add(on, row, row, column, column);
        break;
      }
      case ptgArea3d: {
        const int on = local_sheet(RecordWord(s));
        const std::uint16_t r1 = RecordWord(s), r2 = RecordWord(s), c1 = RecordWord(s), c2 = RecordWord(s);
        add(on, r1, r2, c1, c2);
        break;
      }
      case ptgRefErr3d: local_sheet(RecordWord(s)); s.SkipBytes(4); break;
      case ptgAreaErr3d: local_sheet(RecordWord(s)); s.SkipBytes(8); break;
      case ptgMemArea: case ptgMemErr: case ptgMemNoMem: s.SkipBytes(6); break;
      case ptgMemFunc: s.SkipBytes(2); break;
      default: references_only = false; break;
    }
  }
  if (!references_only || found.empty()) return area;
  if (sheet < 0) sheet = found.front().first;
  if (sheet < 0) return area;
  area.SheetIndex = sheet;
  for (const auto& [on_sheet, rect] : found)
    if (on_sheet == sheet) area.Rects.AddRectRec(rect);
  return area;
}

void TXLSLinkTable::ClearLocalDocument() {
  FLocalSheetNames.clear();
  FNames.clear();
}

void TXLSLinkTable::Clear() {
  FSupbooks.clear();
  FExternSheets.clear();
  ClearLocalDocument();
}
