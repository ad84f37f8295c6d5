#include "xls/XLSWriterHTML.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "format_settings_fixture.h"
#include "platform/codepage.h"
#include "platform/stream.h"
#include "tests/common/html_example.h"
#include "xls/XLSMetrics.h"
#include "xls/XLSWorkbook.h"
#include "xls_test_files.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

std::vector<std::string> Lines(const std::string& html) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  for (std::size_t end; (end = html.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.push_back(html.substr(at, end - at));
  lines.push_back(html.substr(at));
  return lines;
}

// The lines from "<tr>" to "</table>", without the row markers: one entry per row, each the
// row's td lines.
std::vector<std::vector<std::string>> Rows(const std::string& html) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : Lines(html)) {
    if (line == "<tr>") rows.emplace_back();
    else if (line.rfind("<td ", 0) == 0) rows.back().push_back(line);
  }
  return rows;
}

// The style text of class `n`, from " {" to "}".
std::string ClassText(const std::string& html, int n) {
  const std::string head = ".xl" + std::to_string(n) + "\r\n {";
  const std::size_t at = html.find(head);
  if (at == std::string::npos) return "<no class " + std::to_string(n) + ">";
  const std::size_t from = at + head.size();
  return html.substr(from, html.find("}\r\n", from) - from);
}

int ClassCount(const std::string& html) {
  int n = 0;
  while (html.find(".xl" + std::to_string(n) + "\r\n") != std::string::npos) ++n;
  return n;
}

class HtmlWriter : public RussianSettingsTest {
 protected:
  void SetUp() override {
    RussianSettingsTest::SetUp();
    SetACP(1251);
    ResetPalette();
    SetScreenPixelsPerInch(96);
  }

  TCell& At(int row, int column) { return *sheet_.Cells().Item(row, column); }
  std::string Html() {
    TMemoryStream stream;
    sheet_.SaveToStreamAsHTML(stream);
    return std::string(stream.Bytes());
  }
  std::string RectHtml(int row_from, int row_to, int column_from, int column_to) {
    TRangeRect rect;
    rect.RowFrom = static_cast<std::uint16_t>(row_from);
    rect.RowTo = static_cast<std::uint16_t>(row_to);
    rect.ColumnFrom = static_cast<std::uint8_t>(column_from);
    rect.ColumnTo = static_cast<std::uint8_t>(column_to);
    TMemoryStream stream;
    sheet_.SaveRectToStreamAsHTML(stream, rect);
    return std::string(stream.Bytes());
  }
  void Merge(int row_from, int row_to, int column_from, int column_to) {
    TRange* range = sheet_.Ranges().Add();
    range->AddRect(row_from, row_to, column_from, column_to);
    range->MergeCells();
  }
  void MakeExample() {
    At(0, 0).SetValue(std::u16string(u"Price"));
    At(0, 0).SetFontBold(true);
    At(0, 1).SetValue(5.0);
  }

  TWorkbook book_{1};
  TSheet& sheet_ = *book_.Sheets().Item(0);
};

// A folder of its own for file tests, removed afterwards.
class HtmlFiles : public HtmlWriter {
 protected:
  void SetUp() override {
    HtmlWriter::SetUp();
    dir_ = std::filesystem::temp_directory_path() /
           ("tarvo_html_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::filesystem::remove_all(dir_);
    HtmlWriter::TearDown();
  }
  std::filesystem::path dir_;
};

TEST_F(HtmlWriter, ExampleSheetGivesTheExampleBytes) {
  MakeExample();
  EXPECT_EQ(Html(), kExampleHtml);
}

TEST_F(HtmlWriter, DocumentStartsAtTheStreamPositionAndLeavesTheStreamOpen) {
  MakeExample();
  TMemoryStream stream(std::string_view("head"));
  stream.Seek(0, soEnd);
  sheet_.SaveToStreamAsHTML(stream);
  EXPECT_EQ(stream.Bytes(), "head" + std::string(kExampleHtml));
  stream.Write("!", 1);
  EXPECT_EQ(stream.Bytes().back(), '!');
}

TEST_F(HtmlWriter, SheetWithoutStoredCellsWritesNothingButAGivenRectangleIsWritten) {
  At(4, 4);  // a transient cell is no stored cell
  TMemoryStream stream;
  sheet_.SaveToStreamAsHTML(stream);
  EXPECT_EQ(stream.Size(), 0);

  const std::string html = RectHtml(0, 0, 0, 0);
  EXPECT_THAT(Rows(html), ElementsAre(ElementsAre("<td class=\"xl0\" width=65 height=18>&nbsp;</td>")));
  EXPECT_EQ(ClassCount(html), 1);
}

TEST_F(HtmlWriter, UsedRectangleStartsAtTheFirstStoredCell) {
  At(2, 2).SetValue(std::u16string(u"C3"));
  At(3, 3).SetValue(std::u16string(u"D4"));
  const std::string html = Html();
  EXPECT_THAT(html, HasSubstr("border=0 width=130 style="));
  EXPECT_THAT(Rows(html), ElementsAre(ElementsAre("<td class=\"xl0\" width=65 height=18>C3</td>",
                                                  "<td class=\"xl0\" width=65 height=18>&nbsp;</td>"),
                                      ElementsAre("<td class=\"xl0\" width=65 height=18>&nbsp;</td>",
                                                  "<td class=\"xl0\" width=65 height=18>D4</td>")));
  EXPECT_EQ(ClassCount(html), 1);
}

TEST_F(HtmlWriter, EqualFormatsShareAClassNumberedByFirstUseRowsFirst) {
  At(0, 0).SetFontItalic(true);  // A1 italic, B1 default, A2 bold, B2 italic
  At(0, 1).SetValue(1.0);
  At(1, 0).SetFontBold(true);
  At(1, 1).SetFontItalic(true);
  const std::string html = Html();
  ASSERT_EQ(ClassCount(html), 3);
  EXPECT_THAT(ClassText(html, 0), HasSubstr("font-style: italic;"));
  EXPECT_THAT(ClassText(html, 1), Not(HasSubstr("font-style")));
  EXPECT_THAT(ClassText(html, 1), Not(HasSubstr("font-weight")));
  EXPECT_THAT(ClassText(html, 2), HasSubstr("font-weight: bold;"));
  const auto rows = Rows(html);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_THAT(rows[0][0], HasSubstr("class=\"xl0\""));
  EXPECT_THAT(rows[0][1], HasSubstr("class=\"xl1\""));
  EXPECT_THAT(rows[1][0], HasSubstr("class=\"xl2\""));
  EXPECT_THAT(rows[1][1], HasSubstr("class=\"xl0\""));
}

TEST_F(HtmlWriter, OrderInWhichCellsWereStoredDoesNotMatter) {
  auto fill = [](TSheet& sheet, bool backwards) {
    for (int i = 0; i < 12; ++i) {
      const int n = backwards ? 11 - i : (i * 5) % 12;  // reversed, or scattered
      TCell& cell = *sheet.Cells().Item(1 + n / 4, 2 + n % 4);
      cell.SetValue(static_cast<double>(n));
      if (n % 3 == 0) cell.SetFontBold(true);
    }
    sheet.Cells().Item(0, 9)->SetValue(std::u16string(u"beyond the columns of the other rows"));
  };
  TWorkbook other(1);
  fill(sheet_, false);
  fill(*other.Sheets().Item(0), true);
  TMemoryStream stream;
  other.Sheets().Item(0)->SaveToStreamAsHTML(stream);
  const std::string html = Html();
  EXPECT_EQ(html, stream.Bytes());
  EXPECT_THAT(Rows(html)[3], ::testing::Contains("<td class=\"xl1\" width=65 height=18>9</td>"));
}

TEST_F(HtmlWriter, MergedAreaIsOneSpanningCellAndCoveredStylesStayDefined) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) At(r, c).SetValue(static_cast<double>(r * 10 + c));
  At(1, 2).SetFontStrikeOut(true);  // C2: covered, its class is used by no td
  Merge(1, 2, 1, 2);                // B2:C3
  const std::string html = Html();
  const auto rows = Rows(html);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].size(), 4u);
  EXPECT_THAT(rows[1], ElementsAre("<td class=\"xl0\" width=65 height=18>10</td>",
                                   "<td class=\"xl0\" colspan=2 rowspan=2  width=130 height=36>11</td>",
                                   "<td class=\"xl0\" width=65 height=18>13</td>"));
  EXPECT_THAT(rows[2], ElementsAre("<td class=\"xl0\" width=65 height=18>20</td>",
                                   "<td class=\"xl0\" width=65 height=18>23</td>"));
  EXPECT_EQ(rows[3].size(), 4u);
  ASSERT_EQ(ClassCount(html), 2);
  EXPECT_THAT(ClassText(html, 1), HasSubstr("text-decoration: line-through;"));
  EXPECT_THAT(html, Not(HasSubstr("class=\"xl1\"")));
}

TEST_F(HtmlWriter, MergedAreaReachingBeyondTheRectangleSpansItsVisiblePart) {
  At(0, 0).SetValue(std::u16string(u"top"));
  Merge(0, 2, 0, 2);  // A1:C3
  // Rows 2 and 3, columns B to D: the area's visible part is B2:C3, led by B2.
  EXPECT_THAT(Rows(RectHtml(1, 2, 1, 3)),
              ElementsAre(ElementsAre("<td class=\"xl0\" colspan=2 rowspan=2  width=130 height=36>&nbsp;</td>",
                                      "<td class=\"xl0\" width=65 height=18>&nbsp;</td>"),
                          ElementsAre("<td class=\"xl0\" width=65 height=18>&nbsp;</td>")));
}

TEST_F(HtmlWriter, CellMarkedMergedOutsideEveryAreaIsAnOrdinaryCell) {
  Merge(5, 6, 5, 6);
  At(0, 0).SetMerged(true);
  At(0, 0).SetValue(std::u16string(u"alone"));
  EXPECT_THAT(Rows(RectHtml(0, 0, 0, 0)),
              ElementsAre(ElementsAre("<td class=\"xl0\" width=65 height=18>alone</td>")));
}

TEST_F(HtmlWriter, HiddenColumnsAndRowsAreOnePixel) {
  At(0, 0).SetValue(1.0);
  At(1, 1).SetValue(2.0);
  sheet_.Columns().Item(0)->SetHidden(true);
  sheet_.Rows().Item(1)->SetHidden(true);
  sheet_.Columns().Item(1)->SetWidthPx(100);
  const std::string html = Html();
  EXPECT_THAT(html, HasSubstr("border=0 width=102 style="));
  EXPECT_THAT(Rows(html), ElementsAre(ElementsAre("<td class=\"xl0\" width=1 height=18>1</td>",
                                                  "<td class=\"xl0\" width=101 height=18>&nbsp;</td>"),
                                      ElementsAre("<td class=\"xl0\" width=1 height=1>&nbsp;</td>",
                                                  "<td class=\"xl0\" width=101 height=1>2</td>")));
}

struct StyleCase {
  const char* what;
  std::function<void(TCell&)> format;
  std::vector<std::string> present;  // lines of the cell's class
  std::vector<std::string> absent;
};

TEST_F(HtmlWriter, StyleLinesFollowTheFormat) {
  const std::vector<StyleCase> cases = {
      {"blanks in a font name", [](TCell& c) { c.SetFontName(u"Times New Roman"); },
       {"font-family: Times New Roman;"}, {}},
      {"markup in a font name", [](TCell& c) { c.SetFontName(u"a<b>\"c"); },
       {"font-family: a_b_\"c;"}, {}},
      {"Cyrillic font name as 8-bit bytes", [](TCell& c) { c.SetFontName(u"Тахома"); },
       {"font-family: \xD2\xE0\xF5\xEE\xEC\xE0;"}, {}},
      {"size and colour", [](TCell& c) { c.SetFontHeight(14); c.SetFontColorIndex(17); },
       {"font-size: 14pt;", "color: #9999FF;"}, {}},
      {"font flags", [](TCell& c) { c.SetFontItalic(true); c.SetFontUnderline(true); c.SetFontStrikeOut(true); },
       {"font-style: italic;", "text-decoration: underline;", "text-decoration: line-through;"},
       {"font-weight: bold;"}},
      {"alignment", [](TCell& c) { c.SetHAlign(xlHAlignJustify); c.SetVAlign(xlVAlignCenter); },
       {"text-align: justify;", "vertical-align:center;"}, {}},
      {"fill and top alignment", [](TCell& c) {
         c.SetHAlign(xlHAlignCenterAcrossSelection); c.SetVAlign(xlVAlignTop);
         c.SetFillPattern(xlPatternSolid); c.SetFillPatternBGColorIndex(6); },
       {"background-color: #FFFF00;", "vertical-align:top;"}, {"text-align"}},
      {"automatic background", [](TCell& c) { c.SetHAlign(xlHAlignRight); c.SetFillPatternBGColorIndex(58); },
       {"text-align: right;"}, {"background-color"}},
      {"background 57", [](TCell& c) { c.SetFillPatternBGColorIndex(57); c.SetHAlign(xlHAlignLeft); },
       {"text-align: left;"}, {"background-color"}},
      {"thin top border", [](TCell& c) { c.SetBorderStyle(xlBorderTop, bsThin); c.SetBorderColorIndex(xlBorderTop, 8); },
       {"border-top-style: solid;", "border-top-color: #00FFFF;", "border-top-width: 1;"},
       {"border-left", "border-bottom", "border-right"}},
  };
  for (const StyleCase& test : cases) {
    SCOPED_TRACE(test.what);
    TWorkbook book(1);
    TSheet& sheet = *book.Sheets().Item(0);
    TCell& cell = *sheet.Cells().Item(0, 0);
    cell.SetValue(1.0);
    test.format(cell);
    TMemoryStream stream;
    sheet.SaveToStreamAsHTML(stream);
    const std::vector<std::string> lines = Lines(ClassText(std::string(stream.Bytes()), 0));
    for (const std::string& line : test.present) EXPECT_THAT(lines, ::testing::Contains(line));
    for (const std::string& part : test.absent)
      EXPECT_THAT(lines, ::testing::Each(Not(HasSubstr(part))));
  }
}

TEST_F(HtmlWriter, BorderSidesInOrderWithTheirNamesAndWidths) {
  struct Look {
    TXLBorderStyle style;
    const char* name;
    const char* width;
  };
  const Look looks[] = {
      {bsThin, "solid", "1"},         {bsMedium, "solid", "1"},       {bsDashed, "dashed", "1"},
      {bsDotted, "dotted", "1"},      {bsThick, "solid", "2"},        {bsDouble, "double", "2"},
      {bsHair, "solid", "1"},         {bsMediumDashed, "dashed", "2"}, {bsDashDot, "dashed", "1"},
      {bsMediumDashDot, "dashed", "2"}, {bsDashDotDot, "dotted", "1"}, {bsMediumDashDotDot, "dotted", "2"},
      {bsSlantedDashDot, "dashed", "1"}, {static_cast<TXLBorderStyle>(14), "none", "1"},
  };
  for (const Look& look : looks) {
    SCOPED_TRACE(look.style);
    TWorkbook book(1);
    TCell& cell = *book.Sheets().Item(0)->Cells().Item(0, 0);
    for (TCellBorderIndex side : {xlBorderRight, xlBorderBottom, xlBorderLeft, xlBorderTop})
      cell.SetBorderStyle(side, look.style);
    cell.SetBorderColorIndex(xlBorderLeft, 2);  // white
    const std::string s = CellStyleText(cell);
    const std::string tail = s.substr(s.find("border-"));
    std::string expected;
    for (const char* side : {"top", "left", "bottom", "right"}) {
      const std::string color = std::string(side) == "left" ? "#FFFFFF" : "#000000";
      expected += std::string("border-") + side + "-style: " + look.name + ";\r\n" + "border-" + side +
                  "-color: " + color + ";\r\n" + "border-" + side + "-width: " + look.width + ";\r\n";
    }
    EXPECT_EQ(tail, expected);
  }
}

TEST_F(HtmlWriter, CellTextsAsTableContent) {
  struct TextCase {
    std::u16string value;
    std::string td;  // the content between the td tags
  };
  const TextCase cases[] = {
      {u"  a<b>c  ", "a_b_c"},
      {u"   ", "&nbsp;"},
      {u"\t\r\nx\x01", "x"},
      {u"Tom & \"Jerry\"\r\nline two", "Tom & \"Jerry\"\r\nline two"},
      {u"\u00A0no-break\u00A0", "\xC2\xA0no-break\xC2\xA0"},
      {u"Цена за шт.", "Цена за шт."},
      // Every character arrives, also those Windows-1251 lacks.
      {u"漢字 €", "漢字 €"},
      {u"Дюбель М10×40", "Дюбель М10×40"},
      {u"10×20 Ø20 Café Äcker", "10×20 Ø20 Café Äcker"},
      {u"\u3000 x\u3000", "\u3000 x\u3000"},  // only characters up to U+0020 are cut
      // A pair of surrogates is one character of four bytes; an unpaired one shows as U+FFFD
      // and takes nothing after it along, not even an angle bracket.
      {u"\U0001F600<", "\xF0\x9F\x98\x80_"},
      {std::u16string(u"a\xD83D<b", 4), "a\xEF\xBF\xBD_b"},
      {std::u16string(u"\xDE00\xD83D", 2), "\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const TextCase& test : cases) {
    TWorkbook book(1);
    TSheet& sheet = *book.Sheets().Item(0);
    sheet.Cells().Item(0, 0)->SetValue(test.value);
    TMemoryStream stream;
    sheet.SaveToStreamAsHTML(stream);
    EXPECT_THAT(std::string(stream.Bytes()),
                HasSubstr("<td class=\"xl0\" width=65 height=18>" + test.td + "</td>\r\n"));
  }
}

TEST_F(HtmlWriter, HyperlinkIsAnAnchorThatCannotLeaveItsAttribute) {
  At(0, 0).SetValue(std::u16string(u"x"));
  At(0, 0).SetHyperlink(u"H");
  At(0, 1).SetHyperlink(u"http://e.ru/?q=\"a\"&b=<c>");
  At(0, 2).SetHyperlink(u"http://пример.рф/");
  At(0, 3).SetHyperlink(u"http://example.com/×");
  const std::string html = Html();
  EXPECT_THAT(ClassText(html, 0), HasSubstr("color: #0000FF;\r\n"));
  EXPECT_THAT(ClassText(html, 0), HasSubstr("text-decoration: underline;\r\n"));
  EXPECT_THAT(Rows(html), ElementsAre(ElementsAre(
                              "<td class=\"xl0\" width=65 height=18><a href=\"H\">x</a></td>",
                              "<td class=\"xl0\" width=65 height=18><a href=\"http://e.ru/?q=&quot;a&quot;&b=<c>\">"
                              "http://e.ru/?q=\"a\"&b=_c_</a></td>",
                              "<td class=\"xl0\" width=65 height=18><a href=\"http://пример.рф/\">"
                              "http://пример.рф/</a></td>",
                              "<td class=\"xl0\" width=65 height=18><a href=\"http://example.com/×\">"
                              "http://example.com/×</a></td>")));
}

TEST_F(HtmlWriter, WriteErrorLeavesTheWriterReadyForTheNextDocument) {
  class TReadOnlyStream : public TStream {
   public:
    std::int64_t Read(void*, std::int64_t) override { return 0; }
    std::int64_t Seek(std::int64_t, TSeekOrigin) override { return 0; }
  };
  MakeExample();
  TRangeRect rect;
  ASSERT_TRUE(sheet_.GetUsedRect(rect));
  TXLSWriterHTML writer(&sheet_);
  TReadOnlyStream read_only;
  EXPECT_THROW(writer.SaveToStream(read_only, rect), EStreamError);
  TMemoryStream stream;
  writer.SaveToStream(stream, rect);
  EXPECT_EQ(stream.Bytes(), kExampleHtml);
}

TEST_F(HtmlFiles, FileIsWrittenUnderItsEightBitNameAndOnlyWhenThereAreCells) {
  const std::filesystem::path old_file = dir_ / "output.html";
  std::ofstream(old_file, std::ios::binary) << "earlier run";
  const std::string name_1251 = (dir_ / "").string() + "\xEF\xF0\xE0\xE9\xF1.html";  // прайс.html

  sheet_.SaveAsHTML(old_file.string());  // no stored cell
  sheet_.SaveAsHTML(name_1251);
  EXPECT_EQ(ReadWholeFile(old_file.string()), "earlier run");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "прайс.html"));

  MakeExample();
  sheet_.SaveAsHTML(old_file.string());
  sheet_.SaveAsHTML(name_1251);
  EXPECT_EQ(ReadWholeFile(old_file.string()), kExampleHtml);
  EXPECT_EQ(ReadWholeFile((dir_ / "прайс.html").string()), kExampleHtml);

  TRangeRect a1;
  sheet_.SaveRectAsHTML(old_file.string(), a1);
  EXPECT_THAT(ReadWholeFile(old_file.string()), HasSubstr("<td class=\"xl0\" width=65 height=18>Price</td>\r\n</tr>"));
}

TEST_F(HtmlFiles, FileThatCannotBeCreatedRaisesTheCreationErrorNamingIt) {
  MakeExample();
  const std::string path = (dir_ / "missing" / "out.html").string();
  try {
    sheet_.SaveAsHTML(path);
    ADD_FAILURE() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_THAT(e.what(), HasSubstr("Cannot create file \"" + path + "\""));
  }
}

}  // namespace
