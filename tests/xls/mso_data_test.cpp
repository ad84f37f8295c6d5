#include "xls/XLSMSOData.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "xls/BiffStrings.h"
#include "xls/XLSError.h"
#include "xls/XLSMetrics.h"
#include "xls/XLSWorkbook.h"

namespace {

// ---- OfficeArt and BIFF object fixtures -------------------------------------------------------

std::string U8(unsigned v) { return std::string(1, static_cast<char>(v & 0xFF)); }
std::string U16(unsigned v) { return U8(v) + U8(v >> 8); }
std::string U32(std::uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }
std::string Zeros(std::size_t n) { return std::string(n, '\0'); }

std::string Record(std::uint16_t fbt, std::uint16_t instance, const std::string& body,
                   std::uint8_t version = 0) {
  return U32(version | (instance << 4) | (static_cast<std::uint32_t>(fbt) << 16)) +
         U32(static_cast<std::uint32_t>(body.size())) + body;
}
std::string Container(std::uint16_t fbt, const std::string& body) { return Record(fbt, 0, body, 0xF); }

const std::string kPng = std::string("\x89PNG\r\n\x1A\n", 8) + "IHDR-and-the-rest";

// A picture record as embedded in a BSE: header, checksum and tag, then the bytes.
std::string BitmapBlip(std::uint16_t fbt, const std::string& bytes) {
  return Record(fbt, 0x6E0, Zeros(16) + U8(0xFF) + bytes);
}
// A BSE of picture type `type` holding `embedded` (whose size it states unless `size` is given).
std::string Bse(std::uint8_t type, const std::string& embedded, std::int64_t size = -1,
                const std::string& name = "") {
  const std::uint32_t stated = size < 0 ? static_cast<std::uint32_t>(embedded.size()) : static_cast<std::uint32_t>(size);
  const std::string body = U8(type) + U8(type) + Zeros(16) + U16(0) + U32(stated) + U32(1) + U32(0) +
                           U8(0) + U8(name.empty() ? 0 : name.size() / 2 - 1) + U8(0) + U8(0) + name +
                           embedded;
  return Record(0xF007, type, body, 2);
}
// A drawing group: its header record, then the picture store with `bses`.
std::string DrawingGroup(const std::string& bses) {
  return Container(0xF000, Record(0xF006, 0, Zeros(16)) + Container(0xF001, bses) +
                               Record(0xF00B, 0, "", 3));
}

std::string Sp(std::uint16_t shape_type, std::uint32_t spid) {
  return Record(0xF00A, shape_type, U32(spid) + U32(0x0A00), 2);
}
std::string Opt(const std::vector<std::pair<std::uint16_t, std::uint32_t>>& properties) {
  std::string body;
  for (const auto& [id, value] : properties) body += U16(id) + U32(value);
  return Record(0xF00B, static_cast<std::uint16_t>(properties.size()), body, 3);
}
std::string PictureProperty(std::uint32_t number) { return Opt({{0x007F, 0}, {0x4104, number}}); }
std::string Anchor(const std::vector<unsigned>& v) {  // eight values, ColumnFrom first
  std::string body = U16(0);
  for (unsigned value : v) body += U16(value);
  return Record(0xF010, 0, body);
}
std::string SpContainer(const std::string& body) {
  return Container(0xF004, body + Record(0xF011, 0, ""));
}
// The first drawing record of a sheet: drawing and group headers around `shapes`.
std::string SheetDrawing(const std::string& shapes) {
  const std::string group = Container(0xF004, Record(0xF009, 1, Zeros(16)) + Sp(0, 1024));
  return Container(0xF002, Record(0xF008, 1, U32(2) + U32(1026)) + Container(0xF003, group + shapes));
}

std::string Obj(unsigned object_type, unsigned object_id) {
  std::string data = U16(0x15) + U16(18) + U16(object_type) + U16(object_id) + U16(0x6011) + Zeros(12);
  if (object_type == 25) data += U16(0x0D) + U16(22) + Zeros(22);
  return data + U16(0) + U16(0);
}
// 8-bit characters: U+0000 to U+00FF, one byte each.
std::string Text8(const std::u16string& text) {
  std::string bytes = U8(0);
  for (char16_t c : text) bytes += static_cast<char>(c);
  return bytes;
}
std::string Text16(const std::u16string& text) {
  std::string s = U8(1);
  for (char16_t c : text) s += U16(c);
  return s;
}
std::string Note(unsigned row, unsigned column, unsigned object_id, const std::u16string& author,
                 bool wide = false) {
  std::string data = U16(row) + U16(column) + U16(0) + U16(object_id) + U16(author.size());
  if (!author.empty()) data += (wide ? Text16(author) : Text8(author)) + U8(0);
  return data;
}
const std::string kRuns = U16(0) + U16(0) + U32(0) + U16(4) + U16(1) + U32(0);

// One call of the reader.
struct Step {
  enum Kind { Group, Drawing, Object, TxoText, TxoRuns, NoteRecord } kind;
  std::string data;
  int sheet = 0;
};

void Feed(TMSOData& mso, const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    switch (step.kind) {
      case Step::Group: mso.ReadDrawingGroup(step.data); break;
      case Step::Drawing: mso.ReadDrawing(step.data, step.sheet); break;
      case Step::Object: mso.ReadObj(step.data); break;
      case Step::TxoText: mso.ReadTxoText(step.data); break;
      case Step::TxoRuns: mso.ReadTxoRuns(step.data); break;
      case Step::NoteRecord: mso.ReadNote(step.data, step.sheet); break;
    }
  }
}

int DrawingCodeOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EXLSError& e) {
    return e.ErrorCode();
  }
  return EXLS_NOERROR;
}

std::string Bytes(const TEasyStream& s) {
  return std::string(reinterpret_cast<const char*>(s.Data()), static_cast<std::size_t>(s.Size()));
}

// A workbook as Excel writes one with a picture and a note on sheet 0: a PNG and an empty
// picture in the group; on the sheet a picture frame showing picture 1, then a text box with
// its note object, text, runs and NOTE record.
const std::vector<unsigned> kPictureAnchor = {1, 512, 2, 128, 3, 256, 4, 64};
const std::vector<unsigned> kNoteAnchor = {4, 8, 10, 0, 6, 24, 15, 0};

std::vector<Step> PictureAndNoteSteps() {
  return {
      {Step::Group, DrawingGroup(Bse(6, BitmapBlip(0xF01E, kPng)) + Bse(6, "", 0))},
      {Step::Drawing, SheetDrawing(SpContainer(Sp(75, 1025) + PictureProperty(1) + Anchor(kPictureAnchor)))},
      {Step::Object, Obj(8, 1)},
      {Step::Drawing, SpContainer(Sp(202, 1026) + Opt({{0x0080, 0}}) + Anchor(kNoteAnchor))},
      {Step::Object, Obj(25, 2)},
      {Step::Drawing, Record(0xF00D, 0, "")},
      {Step::TxoText, Text8(u"Prix hors taxe, ø 20 × 40")},
      {Step::TxoRuns, kRuns},
      {Step::NoteRecord, Note(7, 3, 2, u"Мария Петровна", true)},
  };
}

class MSOData : public ::testing::Test {
 protected:
  void SetUp() override {
    SetScreenPixelsPerInch(96);  // default columns 64 pixels, rows 17
    SetWorkbookCodePage(1251);
    TSheet& sheet = *book_.Sheets().Item(0);
    sheet.Columns().Item(1)->SetWidthPx(100);
    sheet.Columns().Item(2)->SetHidden(true);
    sheet.Rows().Item(2)->SetHeightPx(20);
  }

  TWorkbook book_{2};
  TSheet& sheet0_ = *book_.Sheets().Item(0);
  TSheet& sheet1_ = *book_.Sheets().Item(1);
};

// ---- placing -------------------------------------------------------------------------------

TEST_F(MSOData, PlacesPictureAndCommentWithTheirPixelGeometry) {
  TMSOData mso;
  EXPECT_EQ(mso.LastObjType(), -1);
  Feed(mso, PictureAndNoteSteps());
  EXPECT_EQ(mso.LastObjType(), 25);
  mso.ApplyTo(book_);

  ASSERT_EQ(sheet0_.Images().Count(), 1);
  TXLSImage& image = *sheet0_.Images().Item(0);
  EXPECT_EQ(Bytes(*image.ImageData()), kPng);
  EXPECT_EQ(image.ImageType(), xlimgPNG);
  EXPECT_EQ(image.FLeftColumn, 1);
  EXPECT_EQ(image.FTopRow, 2);
  EXPECT_EQ(image.FRightColumn, -1);
  // Left: 512/1024 of column 1 (100 px) = 50; right: 256/1024 of column 3 (64) = 16; columns 1
  // (100) and 2 (hidden, 0) lie between: 16 - 50 + 100 = 66.
  EXPECT_EQ(image.FLeftColumnOffsetPx, 50);
  EXPECT_EQ(image.FStretchToWidthPx, 66);
  // Top: 128/256 of row 2 (20 px) = 10; bottom: 64/256 of row 4 (17) = 4.25 -> 4; rows 2 (20)
  // and 3 (17): 4 - 10 + 37 = 31.
  EXPECT_EQ(image.FTopRowOffsetPx, 10);
  EXPECT_EQ(image.FStretchToHeightPx, 31);

  ASSERT_EQ(sheet0_.CellComments().Count(), 1);
  const TCellComment& comment = *sheet0_.CellComments().ItemByIndex(0);
  EXPECT_EQ(comment.Row(), 7);
  EXPECT_EQ(comment.Column(), 3);
  EXPECT_EQ(comment.Text(), u"Prix hors taxe, ø 20 × 40");
  EXPECT_EQ(comment.Author(), u"Мария Петровна");
  EXPECT_EQ(comment.RichFormat(), kRuns);
  // Offsets 8/1024 and 24/1024 of 64 px are 0.5 and 1.5, rounded half to even: 0 and 2; two
  // default columns between: 2 - 0 + 128. Five default rows: 85.
  EXPECT_EQ(comment.WidthPx(), 130);
  EXPECT_EQ(comment.HeightPx(), 85);
  EXPECT_EQ(sheet1_.Images().Count() + sheet1_.CellComments().Count(), 0);
}

TEST_F(MSOData, TextsAreEightOrSixteenBit) {
  std::vector<Step> steps = PictureAndNoteSteps();
  steps[6].data = Text16(u"Ω ≠ €");
  steps[8].data = Note(7, 3, 2, u"Ärzte Café", false);
  TMSOData mso;
  Feed(mso, steps);
  mso.ApplyTo(book_);
  const TCellComment& comment = *sheet0_.CellComments().ItemByIndex(0);
  EXPECT_EQ(comment.Text(), u"Ω ≠ €");
  EXPECT_EQ(comment.Author(), u"Ärzte Café");
}

TEST_F(MSOData, PicturesOfTheGroupKeepTheirBytesBehindAKindMarker) {
  const std::string dib = "DIB-bytes";
  const std::string emf = Record(0xF01A, 0x3D4, Zeros(16) + "EMF-header-and-data");
  const std::string pict = Record(0xF01C, 0x542, "PICT");
  TMSOData mso;
  mso.ReadDrawingGroup(DrawingGroup(Bse(6, BitmapBlip(0xF01E, kPng)) + Bse(7, BitmapBlip(0xF01F, dib)) +
                                    Bse(2, emf) + Bse(4, pict) + Bse(5, "", 0) +
                                    Bse(6, BitmapBlip(0xF01E, kPng), -1, std::string("a\0b\0\0\0", 6))));
  ASSERT_EQ(mso.BLIPCount(), 6);
  struct Case {
    std::uint8_t type;
    std::string data;
  } cases[] = {
      {6, kPng},
      {7, std::string("BMK", 3) + Zeros(11) + dib},
      {2, std::string(8, '\xFF') + "\x02\xFF" + emf.substr(8)},
      {4, pict},
      {5, ""},
      {6, kPng},  // with a name
  };
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const TMSOBLIP& blip = mso.BLIP(i + 1);
    EXPECT_EQ(blip.BLIPID, i + 1);
    EXPECT_EQ(blip.BLIPType, cases[i].type);
    EXPECT_EQ(blip.IsEmpty, cases[i].data.empty());
    EXPECT_EQ(blip.FImageData ? Bytes(*blip.FImageData) : "", cases[i].data);
  }
}

TEST_F(MSOData, ChartsAutoshapesAndPlainTextBoxesYieldNothing) {
  TMSOData mso;
  Feed(mso, {
                {Step::Group, DrawingGroup(Bse(6, BitmapBlip(0xF01E, kPng)))},
                {Step::Drawing, SheetDrawing(SpContainer(Sp(201, 1025) + Anchor(kPictureAnchor)))},
                {Step::Object, Obj(5, 1)},  // chart
                {Step::Drawing, SpContainer(Sp(1, 1026) + Anchor(kPictureAnchor))},
                {Step::Object, Obj(2, 2)},  // rectangle
                {Step::Drawing, SpContainer(Sp(202, 1027) + Anchor(kNoteAnchor))},
                {Step::Object, Obj(6, 3)},  // text box, not a note
                {Step::Drawing, Record(0xF00D, 0, "")},
            });
  EXPECT_EQ(mso.LastObjType(), 6);
  mso.ApplyTo(book_);
  EXPECT_EQ(mso.ShapeCount(), 0);
  EXPECT_EQ(sheet0_.Images().Count(), 0);
  EXPECT_EQ(sheet0_.CellComments().Count(), 0);
}

TEST_F(MSOData, PicturesWithoutUsablePictureNumberAreDroppedSilently) {
  struct Case {
    const char* what;
    std::string properties;
    bool confirmed;
  } cases[] = {
      {"number beyond the group", PictureProperty(3), true},
      {"empty picture", PictureProperty(2), true},
      {"no number", Opt({{0x007F, 0}}), true},
      {"number marked complex", Opt({{0xC104, 1}}), true},
      {"number without its picture flag", Opt({{0x0104, 1}}), true},
      {"no confirming object", PictureProperty(1), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TWorkbook book(1);
    TMSOData mso;
    std::vector<Step> steps = {
        {Step::Group, DrawingGroup(Bse(6, BitmapBlip(0xF01E, kPng)) + Bse(6, "", 0))},
        {Step::Drawing, SheetDrawing(SpContainer(Sp(75, 1025) + c.properties + Anchor(kPictureAnchor)))},
    };
    if (c.confirmed) steps.push_back({Step::Object, Obj(8, 1)});
    Feed(mso, steps);
    EXPECT_EQ(DrawingCodeOf([&] { mso.ApplyTo(book); }), EXLS_NOERROR);
    EXPECT_EQ(book.Sheets().Item(0)->Images().Count(), 0);
  }
}

TEST_F(MSOData, PicturesAndCommentsGoToTheSheetOfTheirDrawing) {
  std::vector<Step> steps = PictureAndNoteSteps();
  for (Step& step : steps) step.sheet = 1;
  TMSOData mso;
  Feed(mso, steps);
  mso.ApplyTo(book_);
  EXPECT_EQ(sheet0_.Images().Count() + sheet0_.CellComments().Count(), 0);
  ASSERT_EQ(sheet1_.Images().Count(), 1);
  ASSERT_EQ(sheet1_.CellComments().Count(), 1);
  // Sheet 1 has default sizes only: 16 - 32 + 2 * 64 wide.
  EXPECT_EQ(sheet1_.Images().Item(0)->FStretchToWidthPx, 112);
}

TEST_F(MSOData, ZeroSizedPictureIsStretchedToOnePixel) {
  std::vector<Step> steps = PictureAndNoteSteps();
  steps[1].data = SheetDrawing(SpContainer(Sp(75, 1025) + PictureProperty(1) +
                                           Anchor({5, 900, 5, 200, 5, 100, 5, 10})));
  TMSOData mso;
  Feed(mso, steps);
  mso.ApplyTo(book_);
  EXPECT_EQ(sheet0_.Images().Item(0)->FStretchToWidthPx, 1);
  EXPECT_EQ(sheet0_.Images().Item(0)->FStretchToHeightPx, 1);
}

TEST_F(MSOData, AnchorBeforeAnyShapeOfItsSheetIsDropped) {
  std::vector<Step> steps = PictureAndNoteSteps();
  steps.push_back({Step::Drawing, SpContainer(Anchor({9, 0, 9, 0, 9, 0, 9, 0})), 1});
  TMSOData mso;
  Feed(mso, steps);
  mso.ApplyTo(book_);
  EXPECT_EQ(sheet0_.CellComments().ItemByIndex(0)->WidthPx(), 130);  // the note's anchor stays
}

// ---- inconsistencies -----------------------------------------------------------------------

TEST_F(MSOData, InconsistentDrawingLayerFailsWithCode15) {
  struct Case {
    const char* what;
    std::function<void(std::vector<Step>&)> change;
  } cases[] = {
      {"NOTE whose object id matches no shape", [](auto& s) { s[8].data = Note(7, 3, 9, u"Иван"); }},
      {"NOTE whose object id is a picture's", [](auto& s) { s[8].data = Note(7, 3, 1, u"Иван"); }},
      {"NOTE on another sheet than its shape", [](auto& s) { s[8].sheet = 1; }},
      {"NOTE of fewer than 10 bytes", [](auto& s) { s[8].data.resize(9); }},
      {"anchor without any shape",
       [](auto& s) { s = {{Step::Drawing, Container(0xF004, Anchor(kNoteAnchor))}}; }},
      {"anchor of fewer than 18 bytes",
       [](auto& s) { s[3].data = SpContainer(Sp(202, 1026)) + Record(0xF010, 0, Zeros(17)); }},
      {"common object data of fewer than 4 bytes",
       [](auto& s) { s[4].data = U16(0x15) + U16(2) + U16(25) + U16(0); }},
      {"note text after a picture shape", [](auto& s) {
         const Step text = s[6];
         s.insert(s.begin() + 3, text);
       }},
      {"comment cell beyond column 255", [](auto& s) { s[8].data = Note(7, 256, 2, u"Иван"); }},
      {"note object never tied to a cell", [](auto& s) { s.pop_back(); }},
      {"picture on a sheet the workbook lacks", [](auto& s) { s[1].sheet = 5; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Step> steps = PictureAndNoteSteps();
    c.change(steps);
    TWorkbook book(2);
    TMSOData mso;
    const int code = DrawingCodeOf([&] {
      Feed(mso, steps);
      mso.ApplyTo(book);
    });
    EXPECT_EQ(code, EXLS_INVALIDDRAWING);
  }
  try {
    TMSOData().ReadNote("short", 0);
    ADD_FAILURE();
  } catch (const EXLSError& e) {
    EXPECT_STREQ(e.what(), "Invalid data. Error in drawing stream.");
  }
}

// ---- damaged bytes -------------------------------------------------------------------------

TEST_F(MSOData, TruncatedAndMutatedRecordsNeverCrash) {
  const std::vector<Step> good = PictureAndNoteSteps();
  auto run = [](const std::vector<Step>& steps) {
    TWorkbook book(2);
    TMSOData mso;
    DrawingCodeOf([&] {
      Feed(mso, steps);
      mso.ApplyTo(book);
    });
  };
  for (std::size_t i = 0; i < good.size(); ++i) {
    for (std::size_t cut = 0; cut < good[i].data.size(); ++cut) {
      std::vector<Step> steps = good;
      steps[i].data.resize(cut);
      run(steps);
    }
  }
  std::mt19937 random(20261210);
  for (int round = 0; round < 3000; ++round) {
    std::vector<Step> steps = good;
    Step& step = steps[random() % steps.size()];
    if (step.data.empty()) continue;
    for (int n = 1 + random() % 4; n > 0; --n) {
      const std::size_t at = random() % step.data.size();
      // Lengths and counts are the fields worth hitting: big values as well as random bytes.
      step.data[at] = static_cast<char>(random() % 3 == 0 ? 0xFF : random());
    }
    run(steps);
  }
}

TEST_F(MSOData, PictureSizesAreCutAtTheirRecord) {
  // A stated picture size beyond its BSE record takes no bytes of the records after it, and a
  // BSE stating more than the data allocates nothing beyond the data.
  const std::string group = DrawingGroup(Bse(6, BitmapBlip(0xF01E, kPng), 0xFFFFFFFF) +
                                   Bse(6, BitmapBlip(0xF01E, "second")));
  TMSOData mso;
  mso.ReadDrawingGroup(group);
  ASSERT_EQ(mso.BLIPCount(), 2);
  EXPECT_EQ(Bytes(*mso.BLIP(1).FImageData), kPng);
  EXPECT_EQ(Bytes(*mso.BLIP(2).FImageData), "second");

  // Data that ends inside a picture keeps what is there.
  TMSOData cut;
  cut.ReadDrawingGroup(Bse(6, BitmapBlip(0xF01E, kPng)).substr(0, 8 + 36 + 25 + 5));
  ASSERT_EQ(cut.BLIPCount(), 1);
  EXPECT_EQ(Bytes(*cut.BLIP(1).FImageData), kPng.substr(0, 5));
}

}  // namespace
