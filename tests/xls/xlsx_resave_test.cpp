// The .xlsx re-saves of the corpus price lists (by LibreOffice and Gnumeric) against the .xls
// they were saved from: the HTML of the first sheet has the same cell texts, the same style
// contents per cell and the same merged areas; widths and heights agree within a pixel. And a
// Strict Open XML workbook against its transitional twin.

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "platform/stream.h"
#include "platform/utf.h"
#include "xls/XLSFile.h"
#include "xls/XLSWorkbook.h"

namespace {

// One table cell of a written sheet.
struct HtmlCell {
  int row;
  std::string style;  // the contents of its class
  std::string spans;  // " colspan=A rowspan=B " or empty
  int width, height;
  std::string text;
};

std::string SheetHtml(const std::string& path) {
  TXLSFile file;
  file.OpenFile(Utf8ToUtf16(path));
  TMemoryStream html;
  file.Workbook().Sheets().Item(0)->SaveToStreamAsHTML(html);
  std::string bytes(static_cast<std::size_t>(html.Size()), '\0');
  html.Seek(0, soBeginning);
  html.Read(bytes.data(), html.Size());
  return bytes;
}

std::vector<HtmlCell> CellsOf(const std::string& html) {
  std::vector<std::string> styles;
  static const std::regex kStyle(R"re(\.xl(\d+)\r\n \{([^}]*)\})re");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), kStyle); it != std::sregex_iterator(); ++it) {
    const std::size_t index = std::stoul((*it)[1]);
    if (styles.size() <= index) styles.resize(index + 1);
    styles[index] = (*it)[2];
  }
  std::vector<HtmlCell> cells;
  static const std::regex kCell(R"re(<td class="xl(\d+)"((?: colspan=\d+ rowspan=\d+ )?) width=(\d+) height=(\d+)>(.*)</td>|<tr>)re");
  int row = -1;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), kCell); it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    if (m[0] == "<tr>") {
      ++row;
      continue;
    }
    cells.push_back({row, styles.at(std::stoul(m[1])), m[2], std::stoi(m[3]), std::stoi(m[4]), m[5]});
  }
  return cells;
}

struct Resave {
  const char* xlsx;
  const char* xls;
};

TEST(XlsxResave, PriceListsConvertAsTheWorkbooksTheyWereSavedFrom) {
  const Resave kPairs[] = {
      {"../shared/corpus-xlsx/lo_pricelist_lo.xlsx", "../shared/corpus/pricelist_lo.xls"},
      {"../shared/corpus-xlsx/pricelist_gnumeric.xlsx", "../shared/corpus/pricelist_gnumeric.xls"},
      {"../shared/corpus-xlsx/pricelist_gnumeric.xlsx", "../shared/corpus/pricelist_xlwt.xls"},
  };
  for (const Resave& pair : kPairs) {
    const std::vector<HtmlCell> ours = CellsOf(SheetHtml(pair.xlsx));
    const std::vector<HtmlCell> theirs = CellsOf(SheetHtml(pair.xls));
    ASSERT_EQ(ours.size(), theirs.size()) << pair.xlsx;
    ASSERT_GT(ours.size(), 1000u) << pair.xlsx;
    int differences = 0;
    for (std::size_t i = 0; i < ours.size() && differences < 10; ++i) {
      const HtmlCell& a = ours[i];
      const HtmlCell& b = theirs[i];
      const bool same = a.row == b.row && a.text == b.text && a.style == b.style && a.spans == b.spans &&
                        std::abs(a.width - b.width) <= 1 && std::abs(a.height - b.height) <= 1;
      if (same) continue;
      ++differences;
      ADD_FAILURE() << pair.xlsx << " cell " << i << " of row " << a.row << ":\n  xlsx: " << a.text << a.spans
                    << " " << a.width << "x" << a.height << " {" << a.style << "}\n  xls:  " << b.text << b.spans
                    << " " << b.width << "x" << b.height << " {" << b.style << "}";
    }
  }
}

TEST(XlsxResave, StrictWorkbookConvertsLikeItsTransitionalTwin) {
  // Excel's Strict Open XML names its parts and relationships in other namespaces.
  const std::string strict = SheetHtml("../shared/corpus-xlsx/SampleSS.strict.xlsx");
  EXPECT_EQ(strict, SheetHtml("../shared/corpus-xlsx/SampleSS.xlsx"));
  EXPECT_NE(strict.find(">This one is red<"), std::string::npos);
}

}  // namespace
