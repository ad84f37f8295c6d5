// The workbook globals read from small record fixtures: the sheet list, shared strings across
// CONTINUE records, substream counting, the palette, formats and XFs, protection and the link
// table with its defined names.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "biff_builder.h"
#include "xls/BiffStrings.h"
#include "xls/ListErrors.h"
#include "xls/XLSError.h"
#include "xls/XLSFormatStr.h"
#include "xls/XLSLinkTable.h"
#include "xls/XLSPalette.h"

namespace {

// An SST with `count` strings announced and the given record data after its two counts.
std::string SstRec(unsigned count, const std::string& strings) {
  return Rec(0x00FC, Data().L(count).L(count).Raw(strings));
}
std::string ContinueRec(const std::string& data) { return Rec(0x003C, data); }
std::string LabelSstRec(unsigned row, unsigned col, unsigned index) {
  return Rec(0x00FD, Data().W(row).W(col).W(0).L(index));
}

// The text of cell (row, col) of sheet 0, whichever text kind it holds.
std::u16string CellText(TXLSFile& file, int row, int col) {
  TCell* cell = file.Workbook().Sheets().Item(0)->Cells().FindCell(row, col);
  if (!cell) return u"<none>";
  if (const auto* wide = std::get_if<std::u16string>(&cell->Value())) return *wide;
  if (std::holds_alternative<std::string>(cell->Value())) return u"<narrow>";
  return u"<not text>";
}

TEST(ReaderGlobals, SheetsComeFromTheSheetListInOrder) {
  TXLSFile file;
  ASSERT_EQ(file.Workbook().Sheets().Count(), 1);  // the default sheet of a new file object
  std::string stream = Bof();
  for (auto [name, visibility] : {std::pair{u"Цены", 0}, {u"Hidden", 1}, {u"Chart", 2}})
    stream += Rec(0x0085, Data().L(0).B(visibility).B(0).B(static_cast<unsigned>(std::u16string(name).size())).B(1).Wide(name));
  stream += Rec(0x0085, Data().L(0).B(0).B(2).B(5).B(0).Raw("Macro"));  // 8-bit name, macro sheet
  stream += Eof();
  OpenWorkbook(file, stream);
  TSheets& sheets = file.Workbook().Sheets();
  ASSERT_EQ(sheets.Count(), 4);
  EXPECT_EQ(sheets.Item(0)->Name(), u"Цены");
  EXPECT_TRUE(sheets.Item(0)->Visible());
  EXPECT_FALSE(sheets.Item(1)->Visible());
  EXPECT_TRUE(sheets.Item(2)->Visible());  // very hidden: only bit 0 hides
  EXPECT_EQ(sheets.Item(3)->Name(), u"Macro");
  EXPECT_TRUE(file.DataFromFile());
  EXPECT_EQ(file.Workbook().ProcessingState(), psDataFromFile);
}

TEST(ReaderGlobals, DuplicateSheetNameFailsWithTheModelsError) {
  TXLSFile file;
  try {
    OpenWorkbook(file, WorkbookStream("", {{u"A", ""}, {u"A", ""}}));
    FAIL();
  } catch (const EXLSError& e) {
    EXPECT_EQ(e.ErrorCode(), EXLS_BADSHEETNAME);
  }
  EXPECT_FALSE(file.DataFromFile());
}

TEST(ReaderGlobals, SharedStringsAcrossContinueRecords) {
  const std::string first = Data().W(5).B(0).Raw("plain");
  // "ab" 8-bit, then the CONTINUE switches to 16-bit for "Жж".
  const std::string split = Data().W(4).B(0).Raw("ab");
  const std::string rest = Data().B(1).Wide(u"Жж");
  // Rich text with 2 runs and 6 bytes of phonetic data; the runs go on in the next CONTINUE.
  const std::string rich = Data().W(3).B(0x0C).W(2).L(6).Raw("xyzRUN1");
  const std::string rich_rest = Data().Raw("RUN2").Raw("PHONET");
  // A 16-bit string, then 8-bit in the CONTINUE: the first part as read, the rest widened.
  const std::string wide_first = Data().W(3).B(1).Wide(u"Щ");
  const std::string narrow_rest = Data().B(0).Raw("\xE9q");
  const std::string globals = SstRec(99, first + split) + ContinueRec(rest + rich) +
                              ContinueRec(rich_rest + wide_first) + ContinueRec(narrow_rest);
  std::string cells;
  for (unsigned i = 0; i < 4; ++i) cells += LabelSstRec(i, 0, i);
  TXLSFile file;
  OpenWorkbook(file, OneSheet(cells, globals));
  EXPECT_EQ(CellText(file, 0, 0), u"plain");          // 8-bit: U+0000 to U+00FF
  EXPECT_EQ(CellText(file, 1, 0), u"abЖж");           // widened, then as read
  EXPECT_EQ(CellText(file, 2, 0), u"xyz");          // runs and phonetic text dropped
  EXPECT_EQ(CellText(file, 3, 0), u"Щ\u00E9q");       // 8-bit rest widened
}

TEST(ReaderGlobals, RichTextAndPhoneticDataInsideOneRecordAreDropped) {
  // 16-bit with one run and 4 bytes of phonetic data, 8-bit with two runs, then a plain one.
  const std::string strings = Data().W(3).B(0x0D).W(1).L(4).Wide(u"Жжж").Raw("RUN1").Raw("PHON").str() +
                              Data().W(2).B(0x08).W(2).Raw("ab").Raw("RUN1RUN2").str() +
                              Data().W(2).B(0).Raw("ok").str();
  std::string cells;
  for (unsigned i = 0; i < 3; ++i) cells += LabelSstRec(i, 0, i);
  TXLSFile file;
  OpenWorkbook(file, OneSheet(cells, SstRec(3, strings)));
  EXPECT_EQ(CellText(file, 0, 0), u"Жжж");
  EXPECT_EQ(CellText(file, 1, 0), u"ab");
  EXPECT_EQ(CellText(file, 2, 0), u"ok");
}

TEST(ReaderGlobals, SharedStringIndexBeyondTheTableFails) {
  TXLSFile file;
  // The counts promise three strings; one is there.
  const std::string globals = SstRec(3, Data().W(1).B(0).Raw("a"));
  OpenWorkbook(file, OneSheet(LabelSstRec(0, 0, 0), globals));
  EXPECT_EQ(CellText(file, 0, 0), u"a");
  EXPECT_THROW(OpenWorkbook(file, OneSheet(LabelSstRec(0, 0, 1), globals)), EListError);
}

TEST(ReaderGlobals, SixteenBitCharacterSplitBetweenRecordsEndsTheString) {
  // "Жж" announced as 3 characters; the SST ends after one byte of the second character. The
  // CONTINUE starts with a fresh string; the broken one ends where it broke.
  const std::string broken = Data().W(3).B(1).Wide(u"Ж").B(0x36);
  const std::string next = Data().W(2).B(0).Raw("ok");
  TXLSFile file;
  OpenWorkbook(file, OneSheet(LabelSstRec(0, 0, 0) + LabelSstRec(1, 0, 1),
                              SstRec(2, broken) + ContinueRec(next)));
  EXPECT_EQ(CellText(file, 0, 0), u"Ж");
  EXPECT_EQ(CellText(file, 1, 0), u"ok");
}

TEST(ReaderGlobals, EmptyContinueInsideAStringIsSkipped) {
  const std::string globals = SstRec(1, Data().W(4).B(0).Raw("ab")) + ContinueRec("") +
                              ContinueRec(Data().B(0).Raw("cd"));
  TXLSFile file;
  OpenWorkbook(file, OneSheet(LabelSstRec(0, 0, 0), globals));
  EXPECT_EQ(CellText(file, 0, 0), u"abcd");
}

TEST(ReaderGlobals, ChartSubstreamNestedInASheetDoesNotShiftTheSheets) {
  const std::string first = NumberRec(0, 0, 0, 1) + Bof() + NumberRec(5, 5, 0, 99) + Eof() + NumberRec(1, 0, 0, 2);
  TXLSFile file;
  OpenWorkbook(file, WorkbookStream("", {{u"One", first}, {u"Two", NumberRec(0, 0, 0, 3)}}));
  TSheets& sheets = file.Workbook().Sheets();
  EXPECT_EQ(sheets.Item(0)->Cells().Count(), 3);  // the chart's record is dispatched on its sheet
  ASSERT_NE(sheets.Item(1)->Cells().FindCell(0, 0), nullptr);
  EXPECT_EQ(std::get<double>(sheets.Item(1)->Cells().FindCell(0, 0)->Value()), 3.0);
}

TEST(ReaderGlobals, RecordsOfASheetBeyondTheSheetListFail) {
  TXLSFile file;
  const std::string stream = WorkbookStream("", {{u"Only", ""}}) + Bof() + NumberRec(0, 0, 0, 1) + Eof();
  EXPECT_THROW(OpenWorkbook(file, stream), ERangeError);
}

TEST(ReaderGlobals, PaletteOf56ColoursKeepsTheAutomaticEntries) {
  const std::uint32_t auto_text = PaletteColor(57), auto_background = PaletteColor(58);
  Data palette;
  palette.W(56);
  for (unsigned k = 1; k <= 56; ++k) palette.B(k).B(2 * k).B(3 * k).B(0);
  TXLSFile file;
  OpenWorkbook(file, OneSheet("", Rec(0x0092, palette)));
  EXPECT_EQ(PaletteColor(1), RGBColor(1, 2, 3));
  EXPECT_EQ(PaletteColor(56), RGBColor(56, 112, 168));
  EXPECT_EQ(PaletteColor(57), auto_text);
  EXPECT_EQ(PaletteColor(58), auto_background);
  ResetPalette();
}

TEST(ReaderGlobals, EightBitTextHoldsTheFirst256Characters) {
  const std::string bytes = "10\xD7" "20 \xD8" "20 Caf\xE9 \xC4";
  const std::string label = Rec(0x0204, Data().W(0).W(0).W(0).W(static_cast<unsigned>(bytes.size())).B(0).Raw(bytes));
  const std::string sst = SstRec(1, Data().W(5).B(0).Raw("\xC4" "cker"));
  TXLSFile file;
  file.SetCodePage(1251);
  OpenWorkbook(file, OneSheet(label + LabelSstRec(1, 0, 0), sst));
  EXPECT_EQ(CellText(file, 0, 0), u"10×20 Ø20 Café Ä");
  EXPECT_EQ(CellText(file, 1, 0), u"Äcker");
  EXPECT_EQ(file.Workbook().Sheets().Item(0)->Cells().FindCell(0, 0)->ValueAsString(), u"10×20 Ø20 Café Ä");
}

TEST(ReaderGlobals, EachWorkbookStartsFromTheDefaultPalette) {
  ResetPalette();
  const std::uint32_t red = PaletteColor(3);
  TXLSFile first;
  OpenWorkbook(first, OneSheet("", Rec(0x0092, Data().W(3).L(0x010203).L(0x040506).L(0x070809))));
  EXPECT_EQ(PaletteColor(3), RGBColor(9, 8, 7));
  TXLSFile second;  // a workbook without a PALETTE record, read in the same process
  OpenWorkbook(second, OneSheet(""));
  EXPECT_EQ(PaletteColor(3), red);
  EXPECT_EQ(red, RGBColor(255, 0, 0));
}

TEST(ReaderGlobals, FontsFormatsAndXFsKeepTheFileNumbering) {
  std::string globals;
  for (int i = 0; i < 5; ++i) globals += FontRec(i == 4, i == 4 ? "Bold" : "Arial");  // fonts 0-3, 5
  globals += FormatRec(164, u"0.000");
  globals += XfRec({.font = 5, .format = 164}) + XfRec({.font = 3, .format = 200}) + XfRec({.format = 14});
  TXLSFile file;
  OpenWorkbook(file, OneSheet(NumberRec(0, 0, 0, 1.5), globals));
  TWorkbook& wb = file.Workbook();
  EXPECT_EQ(wb.FontTable().Count(), 5);
  EXPECT_EQ(wb.XFTable().Count(), 4);  // the three of the file, then the default appended
  const TXFData first = wb.XFTable().LoadXFToBuffer(0);
  EXPECT_EQ(first.FontIndex, 4);  // font number 5 is the fifth FONT record
  EXPECT_TRUE(wb.FontTable().LoadFontToBuffer(4).Bold);
  EXPECT_EQ(wb.FormatStrings()->GetFormat(first.FormatIndex).FormatString, u"0.000");
  EXPECT_EQ(wb.XFTable().LoadXFToBuffer(1).FormatIndex, 0);  // format 200 does not exist
  EXPECT_EQ(wb.FormatStrings()->GetFormat(wb.XFTable().LoadXFToBuffer(2).FormatIndex).ifmt, 14);
  EXPECT_EQ(wb.XFTable().DefaultIndex(), 3);
  EXPECT_EQ(wb.Sheets().Item(0)->Cells().FindCell(0, 0)->ValueAsString(), u"1,500");
}

TEST(ReaderGlobals, PasswordHashesOfWorkbookAndSheet) {
  TXLSFile file;
  OpenWorkbook(file, OneSheet(Rec(0x0013, Data().W(0x2222)), Rec(0x0013, Data().W(0x1111))));
  EXPECT_EQ(file.Workbook().ProtectPasswordHash(), 0x1111);
  EXPECT_EQ(file.Workbook().Sheets().Item(0)->ProtectPasswordHash(), 0x2222);
}

TEST(ReaderGlobals, ProtectionRecordsOfOtherKindsAreRefused) {
  TXLSFile file;
  const auto open_with = [&](const std::string& filepass) {
    try {
      OpenWorkbook(file, Bof() + Rec(0x002F, filepass) + Eof());
    } catch (const Exception& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_EQ(open_with(Data().W(0).W(0x1234).W(0x5678)),
            "Error: data is protected, and this encryption type not supported.");
  EXPECT_EQ(open_with(Data().W(1).W(2).W(2)), "Error: strong encryption not supported.");
  EXPECT_EQ(open_with(Data().W(1).W(1).W(1).Zeros(48)), "Error: file is protected, and password is invalid!");
}

// ---- link table and defined names ----

std::string SelfSupbook(unsigned sheets) { return Rec(0x01AE, Data().W(sheets).W(0x0401)); }
std::string ExternSheet(const std::vector<std::array<unsigned, 3>>& refs) {
  Data d;
  d.W(static_cast<unsigned>(refs.size()));
  for (const auto& r : refs) d.W(r[0]).W(r[1]).W(r[2]);
  return Rec(0x0017, d);
}
std::string Area3d(unsigned ixti, unsigned r1, unsigned r2, unsigned c1, unsigned c2) {
  return Data().B(0x3B).W(ixti).W(r1).W(r2).W(c1).W(c2);
}
// A NAME: built-in (code) or named, of sheet tab `itab` (0: the workbook), with `tokens`.
std::string NameRec(unsigned itab, const std::string& name, bool builtin, const std::string& tokens) {
  return Rec(0x0018, Data().W(builtin ? 0x20 : 0).B(0).B(static_cast<unsigned>(name.size()))
                         .W(static_cast<unsigned>(tokens.size())).W(0).W(itab).Zeros(4).B(0).Raw(name).Raw(tokens));
}

TEST(ReaderGlobals, DefinedNamesGivePrintAreaTitlesAndNamedRanges) {
  const std::string titles = Data().B(0x29).W(22).Raw(Area3d(0, 0, 65535, 0, 1)).Raw(Area3d(0, 0, 1, 0, 255)).B(0x10);
  const std::string globals =
      SelfSupbook(2) + ExternSheet({{0, 0, 0}, {0, 1, 1}}) +
      NameRec(1, "\x06", true, Area3d(0, 0, 9, 0, 3)) + NameRec(1, "\x07", true, titles) +
      NameRec(0, "Prices", false, Area3d(1, 2, 5, 1, 2)) +
      NameRec(0, "Constant", false, Data().B(0x1E).W(7));  // not a reference: no range
  TXLSFile file;
  OpenWorkbook(file, WorkbookStream(globals, {{u"A", ""}, {u"B", ""}}));
  TSheet* a = file.Workbook().Sheets().Item(0);
  TSheet* b = file.Workbook().Sheets().Item(1);
  ASSERT_EQ(a->PageSetup().PrintArea().RectsCount(), 1);
  EXPECT_EQ(a->PageSetup().PrintArea().Rect(0).RowTo, 9);
  EXPECT_EQ(a->PageSetup().PrintArea().Rect(0).ColumnTo, 3);
  EXPECT_EQ(a->PageSetup().FPrintRowsOnEachPageFrom, 0);
  EXPECT_EQ(a->PageSetup().FPrintRowsOnEachPageTo, 1);
  EXPECT_EQ(a->PageSetup().FPrintColumnsOnEachPageFrom, 0);
  EXPECT_EQ(a->PageSetup().FPrintColumnsOnEachPageTo, 1);
  EXPECT_EQ(a->Ranges().RangesCount(), 0);
  ASSERT_EQ(b->Ranges().RangesCount(), 1);
  EXPECT_EQ(b->Ranges().Item(0)->Name(), u"Prices");
  EXPECT_FALSE(b->Ranges().Item(0)->Merged());
  EXPECT_EQ(b->Ranges().Item(0)->Rect(0).RowFrom, 2);
  EXPECT_EQ(b->Ranges().Item(0)->Rect(0).ColumnTo, 2);
  EXPECT_TRUE(file.Workbook().LinkTable()->Names().empty());  // the local document is cleared
}

TEST(ReaderGlobals, InconsistentLinkRecordsFailWithCode14) {
  const std::string cases[] = {
      Rec(0x0017, Data().W(2).W(0).W(0).W(0)),                                 // two references, one there
      Rec(0x0023, Data().W(0).L(0).B(1).B(0).Raw("f")),                        // external name, no document
      SelfSupbook(1) + ExternSheet({{0, 0, 0}}) + NameRec(0, "N", false, Area3d(3, 0, 0, 0, 0)),
  };
  for (const std::string& globals : cases) {
    TXLSFile file;
    try {
      OpenWorkbook(file, OneSheet("", globals));
      ADD_FAILURE() << "opened";
    } catch (const EXLSError& e) {
      EXPECT_EQ(e.ErrorCode(), EXLS_INVALIDLINKTABLE);
    }
  }
}

}  // namespace
