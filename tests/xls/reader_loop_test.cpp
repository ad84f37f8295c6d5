// The record loop: progress, records no handler takes, the drawing records and their CONTINUE
// sequencing, the drawing option, and damaged streams that must fail cleanly.

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "biff_builder.h"
#include "xls/XLSError.h"

namespace {

// OfficeArt records for sheet drawings.
std::string Art(unsigned fbt, unsigned instance, unsigned version, const std::string& body) {
  return Data().L(version | (instance << 4) | (fbt << 16)).L(static_cast<std::uint32_t>(body.size())).Raw(body);
}
// A shape container: a shape of `shape_type` with id `spid` anchored from (col 1, row 1) to
// (col 3, row 5).
std::string Shape(unsigned shape_type, unsigned spid) {
  return Art(0xF004, 0, 0xF,
             Art(0xF00A, shape_type, 2, Data().L(spid).L(0x0A00)) +
                 Art(0xF010, 0, 0, Data().W(0).W(1).W(0).W(1).W(0).W(3).W(0).W(5).W(0)));
}
std::string Drawing(const std::string& shapes) {
  return Rec(0x00EC, Art(0xF002, 0, 0xF, Art(0xF008, 1, 0, Data().L(2).L(1026)) + Art(0xF003, 0, 0xF, shapes)));
}
std::string ObjRec(unsigned type, unsigned id) {
  return Rec(0x005D, Data().W(0x15).W(18).W(type).W(id).W(0x6011).Zeros(12).W(0).W(0));
}
std::string NoteRec(unsigned row, unsigned col, unsigned id, const std::string& author) {
  return Rec(0x001C, Data().W(row).W(col).W(0).W(id).W(static_cast<unsigned>(author.size())).B(0).Raw(author).B(0));
}
// A note's text object: TXO, its text, its formatting runs.
std::string Txo(const std::string& text) {
  return Rec(0x01B6, Data().W(0x0212).Zeros(16)) + Rec(0x003C, Data().B(0).Raw(text)) +
         Rec(0x003C, Data().Zeros(16));
}

TEST(ReaderLoop, ProgressRisesToOne) {
  std::vector<double> rates;
  TXLSFile file;
  file.OnProgress = [&](TXLSFile* sender, double rate) {
    EXPECT_EQ(sender, &file);
    rates.push_back(rate);
  };
  std::string records;
  for (int i = 0; i < 300; ++i) records += NumberRec(i, 0, 0, i);
  OpenWorkbook(file, OneSheet(records));
  ASSERT_GT(rates.size(), 300u);
  for (std::size_t i = 1; i < rates.size(); ++i) EXPECT_LE(rates[i - 1], rates[i]);
  EXPECT_EQ(rates.back(), 1.0);
  // The rate moves block by block (1024 bytes) through the 5.6 KB of cell records, not by
  // whatever the reader reads ahead.
  std::set<double> steps(rates.begin(), rates.end());
  EXPECT_GE(steps.size(), 6u);
}

TEST(ReaderLoop, RecordsWithoutHandlerAreSkipped) {
  const std::string records = Rec(0x003C, "orphan continuation") + Rec(0x0200, Data().Zeros(14)) +
                              Rec(0x00D6, Data().W(0).W(1).W(0).W(1).B(0).Raw("r")) +  // RSTRING: no cell
                              Rec(0x1234, "unknown") + NumberRec(0, 0, 0, 7);
  TXLSFile file;
  OpenWorkbook(file, OneSheet(records, Rec(0x0042, Data().W(1252)) + Rec(0x0022, Data().W(1))));
  TSheet& sheet = *file.Workbook().Sheets().Item(0);
  EXPECT_EQ(sheet.Cells().Count(), 1);
  EXPECT_EQ(std::get<double>(sheet.Cells().FindCell(0, 0)->Value()), 7);  // the 1904 flag is not read
}

TEST(ReaderLoop, NotesWithTheirTextsAndShapesAcrossContinueRecords) {
  // The second text box comes in the third CONTINUE after the first note's TXO.
  const std::string records = Drawing(Shape(202, 1025)) + ObjRec(25, 1) + Txo("Check price") +
                              Rec(0x003C, Shape(202, 1026)) + ObjRec(25, 2) + Txo("Second") +
                              NoteRec(0, 0, 1, "Manager") + NoteRec(4, 2, 2, "Clerk");
  TXLSFile file;
  OpenWorkbook(file, OneSheet(records));
  TCellComments& comments = file.Workbook().Sheets().Item(0)->CellComments();
  ASSERT_EQ(comments.Count(), 2);
  EXPECT_EQ(comments.Item(0, 0)->Text(), u"Check price");
  EXPECT_EQ(comments.Item(0, 0)->Author(), u"Manager");
  EXPECT_EQ(comments.Item(4, 2)->Text(), u"Second");
  EXPECT_EQ(comments.Item(4, 2)->Author(), u"Clerk");
}

TEST(ReaderLoop, AChartOnlyDrawingYieldsNothing) {
  TXLSFile file;
  OpenWorkbook(file, OneSheet(Drawing(Shape(0, 1025)) + ObjRec(5, 1) + NumberRec(0, 0, 0, 1)));
  TSheet& sheet = *file.Workbook().Sheets().Item(0);
  EXPECT_EQ(sheet.Images().Count(), 0);
  EXPECT_EQ(sheet.CellComments().Count(), 0);
  EXPECT_EQ(sheet.Cells().Count(), 1);
}

TEST(ReaderLoop, ANoteWithoutItsShapeFailsUnlessDrawingsAreOff) {
  const std::string stream = OneSheet(Drawing(Shape(0, 1025)) + ObjRec(5, 1) + NoteRec(0, 0, 7, "Nobody") +
                                      NumberRec(0, 0, 0, 1));
  TXLSFile file;
  try {
    OpenWorkbook(file, stream);
    ADD_FAILURE() << "opened";
  } catch (const EXLSError& e) {
    EXPECT_EQ(e.ErrorCode(), EXLS_INVALIDDRAWING);
  }
  file.SetReadDrawings(false);
  OpenWorkbook(file, stream);
  EXPECT_EQ(file.Workbook().Sheets().Item(0)->Cells().Count(), 1);
}

// A workbook with one record of most kinds the reader handles.
std::string RichWorkbook() {
  std::string globals = FontRec() + FontRec(true) + FormatRec(164, u"0.00") + XfRec({}) + XfRec({.format = 164}) +
                        XfRec({.borders = 0x1111}) +
                        Rec(0x00FC, Data().L(2).L(2).W(3).B(0).Raw("abc").W(2).B(1).Wide(u"Жж")) +
                        Rec(0x01AE, Data().W(1).W(0x0401)) + Rec(0x0017, Data().W(1).W(0).W(0).W(0)) +
                        Rec(0x0018, Data().W(0x20).B(0).B(1).W(11).W(0).W(1).Zeros(4).B(0).B(6)
                                        .B(0x3B).W(0).W(0).W(9).W(0).W(3));
  std::string sheet = NumberRec(0, 0, 1, 1.5) + LabelRec(1, 0, 0, u"текст") +
                      Rec(0x00FD, Data().W(2).W(0).W(0).L(1)) + BlankRec(3, 0, 2) +
                      Rec(0x00BD, Data().W(4).W(0).W(0).L(6).W(1).L(10).W(1)) +
                      FormulaRec(5, 0, 0, SpecialResult(0)) + Rec(0x0207, Data().W(2).B(0).Raw("ok")) +
                      Rec(0x0208, Data().W(6).W(0).W(1).W(400).L(0).W(0x00A1).W(2)) +
                      Rec(0x007D, Data().W(0).W(3).W(3000).W(1).W(1)) +
                      Rec(0x00E5, Data().W(1).W(7).W(8).W(0).W(1)) +
                      Rec(0x01B8, Data().W(9).W(9).W(0).W(0).Zeros(20).L(0x08).L(3).Wide(u"A1").W(0)) +
                      Drawing(Shape(202, 1025)) + ObjRec(25, 1) + Txo("note") + NoteRec(0, 0, 1, "me");
  return OneSheet(sheet, globals);
}

TEST(ReaderLoop, TheRichFixtureOpens) {
  TXLSFile file;
  OpenWorkbook(file, RichWorkbook());
  TSheet& sheet = *file.Workbook().Sheets().Item(0);
  EXPECT_EQ(sheet.CellComments().Count(), 1);
  EXPECT_EQ(sheet.PageSetup().PrintArea().RectsCount(), 1);
  EXPECT_EQ(std::get<std::u16string>(sheet.Cells().FindCell(2, 0)->Value()), u"Жж");
  EXPECT_EQ(sheet.Cells().FindCell(9, 0)->Hyperlink(), u"A1");
}

// Every damaged copy either opens or fails with the library's own errors; the sanitizer build
// checks that nothing reads or writes out of bounds on the way.
TEST(ReaderLoop, DamagedStreamsFailCleanly) {
  const std::string good = RichWorkbook();
  std::mt19937 random(20261210);
  int failures = 0;
  for (int round = 0; round < 400; ++round) {
    std::string bad = good;
    if (round % 4 == 0) {
      bad.resize(random() % bad.size());
    } else {
      for (int flips = 1 + random() % 6; flips > 0; --flips)
        bad[random() % bad.size()] = static_cast<char>(random());
    }
    TXLSFile file;
    try {
      OpenWorkbook(file, bad);
    } catch (const Exception&) {
      ++failures;
    }
  }
  EXPECT_GT(failures, 0);
}

}  // namespace
