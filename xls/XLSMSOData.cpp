#include "xls/XLSMSOData.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <utility>

#include "xls/BiffStrings.h"
#include "xls/XLSError.h"
#include "xls/XLSMetrics.h"
#include "xls/XLSWorkbook.h"

namespace {

// OfficeArt record types.
constexpr std::uint16_t kFirstContainer = 0xF000;  // 0xF000 to 0xF005 hold other records
constexpr std::uint16_t kLastContainer = 0xF005;
constexpr std::uint16_t kBSE = 0xF007;
constexpr std::uint16_t kShape = 0xF00A;
constexpr std::uint16_t kPropertyTable = 0xF00B;
constexpr std::uint16_t kClientAnchor = 0xF010;
constexpr std::uint16_t kTextBoxShape = 202;       // shape types (the shape record's instance)
constexpr std::uint16_t kPictureFrameShape = 75;
constexpr std::uint16_t kPictureProperty = 0x0104;
constexpr std::uint16_t kPictureIdFlag = 0x4000;
constexpr std::uint16_t kComplexFlag = 0x8000;
// OBJ sub-records and object types.
constexpr std::uint16_t kCommonObjectData = 0x15;
constexpr std::uint16_t kNoteObject = 25;
constexpr std::uint16_t kPictureObject = 8;

[[noreturn]] void RaiseInvalidDrawing() { throw EXLSError(EXLS_INVALIDDRAWING); }

TEasyStream StreamOf(std::string_view data) {
  TEasyStream s;
  s.WriteBytes(data.data(), static_cast<std::int64_t>(data.size()));
  s.SetPosition(0);
  return s;
}

std::int64_t Remaining(const TEasyStream& s) { return std::max<std::int64_t>(s.ReadableSize(), 0); }

// The walk goes on at the end of each record by its stated length, however much of it was read:
// a record that states too little or too much never shifts the records after it.
std::int64_t RecordEnd(const TEasyStream& s, const TMSORecordHeader& record) {
  return s.Position() + record.Length;
}

// Up to `count` characters (every remaining one when negative): 16-bit when `wide`, else 8-bit
// (U+0000 to U+00FF). Characters past the data are left out.
std::u16string ReadCharacters(TEasyStream& s, std::int64_t count, bool wide) {
  const std::int64_t available = Remaining(s) / (wide ? 2 : 1);
  const std::int64_t n = count < 0 ? available : std::min(count, available);
  if (n <= 0) return {};
  const std::uint8_t* at = s.Data() + s.Position();
  s.SkipBytes(n * (wide ? 2 : 1));
  if (wide) return Utf16LEToText(at, static_cast<std::size_t>(n));
  return WidenBytes(std::string_view(reinterpret_cast<const char*>(at), n));
}

// An option byte (nonzero: 16-bit characters) followed by the characters.
std::u16string ReadOptionedText(TEasyStream& s, std::int64_t count) {
  std::uint8_t option = 0;
  s.ReadByte(option);
  return ReadCharacters(s, count, option != 0);
}

// Pixel sizes of a sheet's rows or columns and their sums over ranges: set up in time
// proportional to the stored items, then logarithmic per question, whatever the range.
class TPixelRuler {
 public:
  // `sizes`: index and visible pixel size of every stored item; all others are `default_px`.
  TPixelRuler(std::vector<std::pair<int, int>> sizes, int default_px) : FDefault(default_px) {
    std::sort(sizes.begin(), sizes.end());
    FDeltaBefore.push_back(0);
    for (const auto& [index, px] : sizes) {
      FIndexes.push_back(index);
      FSizes.push_back(px);
      FDeltaBefore.push_back(FDeltaBefore.back() + px - default_px);
    }
  }

  std::int64_t Size(int index) const {
    const auto at = std::lower_bound(FIndexes.begin(), FIndexes.end(), index);
    return at != FIndexes.end() && *at == index ? FSizes[at - FIndexes.begin()] : FDefault;
  }
  // Sum over the items from `from` up to but not including `to`; 0 when `to` <= `from`.
  std::int64_t Sum(int from, int to) const {
    if (to <= from) return 0;
    return static_cast<std::int64_t>(to - from) * FDefault + DeltaBefore(to) - DeltaBefore(from);
  }

 private:
  std::int64_t DeltaBefore(int index) const {
    return FDeltaBefore[std::lower_bound(FIndexes.begin(), FIndexes.end(), index) - FIndexes.begin()];
  }

  std::int64_t FDefault;                    // size of an item that is not stored
  std::vector<int> FIndexes;                // stored indexes, ascending
  std::vector<int> FSizes;                  // their sizes
  std::vector<std::int64_t> FDeltaBefore;   // sum of (size - default) of the stored ones before
};

struct TSheetRulers {
  TPixelRuler Columns;
  TPixelRuler Rows;
};

TSheetRulers RulersOf(TSheet& sheet) {
  std::vector<std::pair<int, int>> columns, rows;
  for (int i = 0; i < sheet.Columns().Count(); ++i) {
    const TColumn* column = sheet.Columns().ItemByIndex(i);
    columns.emplace_back(column->Index(), column->VisibleWidthPx());
  }
  for (int i = 0; i < sheet.Rows().Count(); ++i) {
    const TRow* row = sheet.Rows().ItemByIndex(i);
    rows.emplace_back(row->Index(), row->VisibleHeightPx());
  }
  return {TPixelRuler(std::move(columns), DisplayMetrics().DefaultColumnWidthPx),
          TPixelRuler(std::move(rows), DisplayMetrics().DefaultRowHeightPx)};
}

// A shape's place in pixels: offsets inside its top-left cell and its size.
struct TPixelBox {
  std::int64_t Left = 0;
  std::int64_t Top = 0;
  std::int64_t Width = 0;
  std::int64_t Height = 0;
};

std::int64_t ScaledOffset(std::int32_t addition, std::int64_t size, double unit) {
  return static_cast<std::int64_t>(std::nearbyint(addition * static_cast<double>(size) / unit));
}

TPixelBox BoxOf(const TMSOClientAnchor& a, const TSheetRulers& rulers) {
  TPixelBox box;
  box.Left = ScaledOffset(a.ColumnFromAddition, rulers.Columns.Size(a.ColumnFrom), 1024);
  box.Top = ScaledOffset(a.RowFromAddition, rulers.Rows.Size(a.RowFrom), 256);
  const std::int64_t right = ScaledOffset(a.ColumnToAddition, rulers.Columns.Size(a.ColumnTo), 1024);
  const std::int64_t bottom = ScaledOffset(a.RowToAddition, rulers.Rows.Size(a.RowTo), 256);
  box.Width = right - box.Left + rulers.Columns.Sum(a.ColumnFrom, a.ColumnTo);
  box.Height = bottom - box.Top + rulers.Rows.Sum(a.RowFrom, a.RowTo);
  return box;
}

int ToInt(std::int64_t value, std::int64_t low = std::numeric_limits<int>::min()) {
  return static_cast<int>(std::clamp<std::int64_t>(value, low, std::numeric_limits<int>::max()));
}

}  // namespace

void TMSORecordHeader::Read(TEasyStream& AStream) {
  std::uint32_t word = 0;
  AStream.ReadDWord(word);
  Version = static_cast<std::uint8_t>(word & 0x0F);
  Instance = static_cast<std::uint16_t>((word >> 4) & 0x0FFF);
  FBT = static_cast<std::uint16_t>(word >> 16);
  Length = 0;
  AStream.ReadDWord(Length);
}

void TMSOData::ReadDrawingGroup(std::string_view data) {
  TEasyStream s = StreamOf(data);
  while (s.ReadableSize() > 7) {
    FRecord.Read(s);
    if (FRecord.FBT >= kFirstContainer && FRecord.FBT <= kLastContainer) continue;
    const std::int64_t end = RecordEnd(s, FRecord);
    if (FRecord.FBT == kBSE) AddBLIP(s, end);
    s.SetPosition(end);
  }
}

void TMSOData::AddBLIP(TEasyStream& s, std::int64_t end) {
  std::uint32_t size = 0;
  std::uint8_t name_length = 0;
  s.SkipBytes(20);  // picture types for two systems, checksum, tag
  s.ReadDWord(size);
  s.SkipBytes(9);   // reference count, delay-stream offset, unused byte
  s.ReadByte(name_length);
  s.SkipBytes(2);
  if (name_length != 0) s.SkipBytes(2 * name_length + 2);
  auto blip = std::make_unique<TMSOBLIP>();
  blip->BLIPType = static_cast<std::uint8_t>(FRecord.Instance & 0x0F);
  blip->BLIPID = BLIPCount() + 1;
  // The embedded picture record: its header, and for bitmaps its checksum and tag.
  std::int64_t header = 0;
  if (blip->BLIPType == 2 || blip->BLIPType == 3) header = 8;
  else if (blip->BLIPType >= 5 && blip->BLIPType <= 7) header = 25;
  s.SkipBytes(header);
  // The picture lies inside its BSE record: a larger stated size is cut there.
  const std::int64_t bytes = std::min<std::int64_t>(
      {static_cast<std::int64_t>(size) - header, end - s.Position(), Remaining(s)});
  blip->IsEmpty = bytes <= 0;
  if (!blip->IsEmpty) {
    // A marker by which the picture kind is recognised later (see TXLSImage::ImageType).
    blip->FImageData = std::make_unique<TEasyStream>();
    TEasyStream& image = *blip->FImageData;
    if (blip->BLIPType == 7) {
      static const std::uint8_t kBitmapMarker[14] = {0x42, 0x4D, 0x4B};
      image.WriteBytes(kBitmapMarker, sizeof kBitmapMarker);
    } else if (blip->BLIPType == 2 || blip->BLIPType == 3) {
      for (int i = 0; i < 4; ++i) image.WriteWord(0xFFFF);
      image.WriteByte(blip->BLIPType);
      image.WriteByte(0xFF);
    }
    image.WriteBytes(s.Data() + s.Position(), bytes);
    image.SetPosition(0);
    s.SkipBytes(bytes);
  }
  FBLIPs.push_back(std::move(blip));
}

void TMSOData::ReadDrawing(std::string_view data, int sheet_index) {
  if (sheet_index != FCurrentSheetIndex) {
    FCurrentSheetIndex = sheet_index;
    FCurrentSpIsParsed = false;
  }
  TEasyStream s = StreamOf(data);
  while (s.ReadableSize() > 7) {
    FRecord.Read(s);
    if (FRecord.FBT >= kFirstContainer && FRecord.FBT <= kLastContainer) continue;
    const std::int64_t end = RecordEnd(s, FRecord);
    switch (FRecord.FBT) {
      case kShape: ReadShapeRecord(s); break;
      case kPropertyTable: ReadPropertyTable(s); break;
      case kClientAnchor: ReadClientAnchor(s); break;
      default: break;
    }
    s.SetPosition(end);
  }
}

void TMSOData::ReadShapeRecord(TEasyStream& s) {
  std::unique_ptr<TMSOShape> shape;
  if (FRecord.Instance == kTextBoxShape) shape = std::make_unique<TMSOShapeComment>();
  else if (FRecord.Instance == kPictureFrameShape) shape = std::make_unique<TMSOShapeImage>();
  else shape = std::make_unique<TMSOShape>();
  s.ReadDWord(shape->SPID);
  shape->SheetIndex = FCurrentSheetIndex;
  FShapes.push_back(std::move(shape));
  FCurrentSpIsParsed = true;
}

void TMSOData::ReadPropertyTable(TEasyStream& s) {
  auto* image = FShapes.empty() ? nullptr : dynamic_cast<TMSOShapeImage*>(FShapes.back().get());
  for (int i = 0; i < FRecord.Instance && s.ReadableSize() > 5; ++i) {
    std::uint16_t id = 0;
    std::uint32_t value = 0;
    s.ReadWord(id);
    s.ReadDWord(value);
    const bool picture_number = (id & 0x3FFF) == kPictureProperty && (id & kPictureIdFlag) != 0 &&
                                (id & kComplexFlag) == 0;
    if (picture_number && image != nullptr) image->BLIPID = value;
  }
}

void TMSOData::ReadClientAnchor(TEasyStream& s) {
  if (FShapes.empty() || s.ReadableSize() < 18) RaiseInvalidDrawing();
  std::uint16_t v[8] = {};
  s.SkipBytes(2);  // flags
  for (std::uint16_t& value : v) s.ReadWord(value);
  if (!FCurrentSpIsParsed) return;
  TMSOClientAnchor& a = FShapes.back()->Anchor;
  a = {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]};
}

void TMSOData::ReadObj(std::string_view data) {
  TEasyStream s = StreamOf(data);
  while (s.ReadableSize() >= 4) {
    std::uint16_t type = 0, length = 0;
    s.ReadWord(type);
    s.ReadWord(length);
    if (type == kCommonObjectData) {
      if (length < 4 || s.ReadableSize() < 4) RaiseInvalidDrawing();
      std::uint16_t object_type = 0, object_id = 0;
      s.ReadWord(object_type);
      s.ReadWord(object_id);
      if ((object_type == kNoteObject || object_type == kPictureObject) && !FShapes.empty())
        FShapes.back()->ObjectID = object_id;
      FLastMSOOBJ = object_type;
      // The common object data comes first; the lengths of some later sub-records (list box
      // data) do not hold, so the walk stops here.
      return;
    }
    s.SkipBytes(length);
  }
}

TMSOShapeComment& TMSOData::LastComment() {
  auto* comment = FShapes.empty() ? nullptr : dynamic_cast<TMSOShapeComment*>(FShapes.back().get());
  if (comment == nullptr) RaiseInvalidDrawing();
  return *comment;
}

void TMSOData::ReadTxoText(std::string_view continue_data) {
  TMSOShapeComment& comment = LastComment();
  TEasyStream s = StreamOf(continue_data);
  comment.Text = ReadOptionedText(s, -1);
}

void TMSOData::ReadTxoRuns(std::string_view continue_data) {
  LastComment().RichFormat = std::string(continue_data);
}

void TMSOData::ReadNote(std::string_view data, int sheet_index) {
  if (data.size() < 10) RaiseInvalidDrawing();
  TEasyStream s = StreamOf(data);
  std::uint16_t row = 0, column = 0, object_id = 0, author_length = 0;
  s.ReadWord(row);
  s.ReadWord(column);
  s.SkipBytes(2);  // flags
  s.ReadWord(object_id);
  s.ReadWord(author_length);
  std::u16string author;
  if (author_length != 0) author = ReadOptionedText(s, author_length);
  const auto found = std::find_if(FShapes.begin(), FShapes.end(), [&](const auto& shape) {
    return shape->SheetIndex == sheet_index && shape->ObjectID == object_id;
  });
  auto* comment = found == FShapes.end() ? nullptr : dynamic_cast<TMSOShapeComment*>(found->get());
  if (comment == nullptr) RaiseInvalidDrawing();
  comment->Author = author;
  comment->LinkedToRow = row;
  comment->LinkedToColumn = column;
  comment->SheetIndex = sheet_index;
}

bool TMSOData::IsValidBLIPID(std::uint32_t number) const {
  return number >= 1 && number <= FBLIPs.size();
}

void TMSOData::RemoveUnconfirmedShapes() {
  std::erase_if(FShapes, [this](const std::unique_ptr<TMSOShape>& shape) {
    if (dynamic_cast<const TMSOShapeComment*>(shape.get()) != nullptr) return shape->ObjectID == -1;
    const auto* image = dynamic_cast<const TMSOShapeImage*>(shape.get());
    if (image == nullptr) return true;
    return image->ObjectID == -1 || !IsValidBLIPID(image->BLIPID) || BLIP(image->BLIPID).IsEmpty;
  });
}

void TMSOData::ApplyTo(TWorkbook& workbook) {
  RemoveUnconfirmedShapes();
  std::map<int, TSheetRulers> rulers;  // built for the sheets that get something
  auto sheet_of = [&](const TMSOShape& shape) -> std::pair<TSheet*, const TSheetRulers*> {
    if (shape.SheetIndex < 0 || shape.SheetIndex >= workbook.Sheets().Count()) RaiseInvalidDrawing();
    TSheet* sheet = workbook.Sheets().Item(shape.SheetIndex);
    auto at = rulers.find(shape.SheetIndex);
    if (at == rulers.end()) at = rulers.emplace(shape.SheetIndex, RulersOf(*sheet)).first;
    return {sheet, &at->second};
  };
  for (const auto& shape : FShapes) {
    if (const auto* image = dynamic_cast<const TMSOShapeImage*>(shape.get())) {
      if (!IsValidBLIPID(image->BLIPID)) RaiseInvalidDrawing();
      const auto [sheet, sheet_rulers] = sheet_of(*image);
      const TPixelBox box = BoxOf(image->Anchor, *sheet_rulers);
      TEasyStream& data = *BLIP(image->BLIPID).FImageData;
      sheet->Images().AddStretchFromStreamPx(data, 0, data.Size(), image->Anchor.ColumnFrom,
                                             image->Anchor.RowFrom, ToInt(box.Left), ToInt(box.Top),
                                             ToInt(box.Width, 1), ToInt(box.Height, 1));
    } else if (const auto* note = dynamic_cast<const TMSOShapeComment*>(shape.get())) {
      const auto [sheet, sheet_rulers] = sheet_of(*note);
      if (note->LinkedToRow < 0 || note->LinkedToRow > 65535 || note->LinkedToColumn < 0 ||
          note->LinkedToColumn > 255)
        RaiseInvalidDrawing();
      const TPixelBox box = BoxOf(note->Anchor, *sheet_rulers);
      TCellComment* comment = sheet->CellComments().Item(note->LinkedToRow, note->LinkedToColumn);
      comment->SetText(note->Text);
      comment->SetAuthor(note->Author);
      comment->SetWidthPx(static_cast<std::uint16_t>(std::clamp<std::int64_t>(box.Width, 0, 65535)));
      comment->SetHeightPx(static_cast<std::uint16_t>(std::clamp<std::int64_t>(box.Height, 0, 65535)));
      comment->SetRichFormat(note->RichFormat);
    }
  }
}
