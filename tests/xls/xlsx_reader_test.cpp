// The .xlsx reader on small packages that show one behaviour each: the model's limits, cell
// values of every kind, the palette Excel would give the workbook's colours, and the packages
// it refuses (hostile XML, inflation bombs, missing parts, encrypted workbooks).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/utf.h"
#include "xls/XLSError.h"
#include "xls/XLSFile.h"
#include "xls/XLSWorkbook.h"
#include "xls/XLSXColors.h"
#include "xls/XLSXParts.h"
#include "xls_test_files.h"
#include "xlsx_package_builder.h"

namespace {

using ::testing::HasSubstr;

// Opens the package from a stream; the workbook lives in the returned file object.
std::unique_ptr<TXLSFile> Open(const XlsxParts& parts) {
  auto file = std::make_unique<TXLSFile>();
  std::istringstream input(BuildZip(parts));
  file->OpenStream(&input);
  return file;
}

std::string OpenError(const XlsxParts& parts) {
  try {
    Open(parts);
  } catch (const Exception& e) {
    return e.what();
  }
  return "opened";
}

std::string Row(int number, const std::string& cells) {
  return "<row r=\"" + std::to_string(number) + "\">" + cells + "</row>";
}

TEST(XlsxReader, CellsBeyondTheModelsRowsOrColumnsFailNamingTheLimit) {
  const struct {
    const char* cell;
    bool opens;
  } kCases[] = {{"IV65536", true}, {"IW1", false}, {"A65537", false}, {"XFD1048576", false}};
  for (const auto& c : kCases) {
    const std::string row = std::string(c.cell).substr(std::string(c.cell).find_first_of("0123456789"));
    const XlsxParts parts = MinimalWorkbook("<sheetData>" + Row(std::stoi(row), std::string("<c r=\"") + c.cell +
                                            "\"><v>1</v></c>") + "</sheetData>");
    if (c.opens) {
      EXPECT_EQ(Open(parts)->Workbook().Sheets().Item(0)->Cells().Count(), 1) << c.cell;
      continue;
    }
    try {
      Open(parts);
      ADD_FAILURE() << c.cell << " opened";
    } catch (const EXLSError& e) {
      EXPECT_EQ(e.ErrorCode(), EXLS_BADROWCOL);
      EXPECT_THAT(e.what(), HasSubstr(std::string("cell ") + c.cell));
      EXPECT_THAT(e.what(), HasSubstr("65,536 rows and 256 columns"));
    }
  }
  // A merged area reaching beyond the columns fails too; formats of far columns hold no data.
  EXPECT_THAT(OpenError(MinimalWorkbook("<sheetData/><mergeCells><mergeCell ref=\"IU1:IW2\"/></mergeCells>")),
              HasSubstr("merged area IU1:IW2"));
  EXPECT_EQ(OpenError(MinimalWorkbook("<cols><col min=\"1\" max=\"16384\" width=\"12\"/></cols><sheetData/>")),
            "opened");
}

TEST(XlsxReader, ValuesOfEveryKind) {
  const std::string styles =
      "<numFmts><numFmt numFmtId=\"164\" formatCode=\"dd.mm.yyyy\"/></numFmts>"
      "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/></cellXfs>";
  const std::string strings =
      "<si><t>plain</t></si>"
      "<si><r><rPr><b/></rPr><t>Прайс</t></r><r><t xml:space=\"preserve\"> лист</t></r>"
      "<rPh sb=\"0\" eb=\"1\"><t>phonetic</t></rPh></si>"
      "<si><t>a_x000D_b</t></si>";
  const std::string sheet =
      "<sheetData>" +
      Row(1, "<c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>2</v></c>") +
      Row(2, "<c r=\"A2\" t=\"inlineStr\"><is><t>inline</t></is></c><c r=\"B2\" t=\"b\"><v>1</v></c>"
             "<c r=\"C2\" t=\"str\"><f>A1</f><v>result</v></c><c r=\"D2\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>"
             "<c r=\"E2\" t=\"e\"><v>#N/A</v></c>") +
      Row(3, "<c r=\"A3\" s=\"1\"><v>45000</v></c><c r=\"B3\" s=\"2\"><v>45000.5</v></c><c><v>2.5</v></c>") +
      "</sheetData>";
  for (const bool date1904 : {false, true}) {
    const auto file = Open(MinimalWorkbook(sheet, styles, strings, date1904 ? "<workbookPr date1904=\"1\"/>" : ""));
    TCells& cells = file->Workbook().Sheets().Item(0)->Cells();
    EXPECT_EQ(cells.Item(0, 0)->Value(), TCellValue(std::u16string(u"plain")));
    EXPECT_EQ(cells.Item(0, 1)->Value(), TCellValue(std::u16string(u"Прайс лист")));
    EXPECT_EQ(cells.Item(0, 2)->Value(), TCellValue(std::u16string(u"a\rb")));
    EXPECT_EQ(cells.Item(1, 0)->Value(), TCellValue(std::u16string(u"inline")));
    EXPECT_EQ(cells.Item(1, 1)->Value(), TCellValue(true));
    EXPECT_EQ(cells.Item(1, 2)->Value(), TCellValue(std::u16string(u"result")));
    // Error values keep no value, as in .xls files.
    EXPECT_TRUE(IsEmptyValue(cells.Item(1, 3)->Value()));
    EXPECT_EQ(cells.FindCell(1, 4), nullptr);
    // 45000 is 2023-03-15 in the 1900 system and 2027-03-16 in the 1904 system.
    const double shift = date1904 ? 1462 : 0;
    EXPECT_EQ(cells.Item(2, 0)->Value(), TCellValue(TCellDate{45000 + shift}));
    EXPECT_EQ(cells.Item(2, 1)->Value(), TCellValue(TCellDate{45000.5 + shift}));
    EXPECT_EQ(cells.Item(2, 1)->ValueAsString(), date1904 ? u"16.03.2027" : u"15.03.2023");
    EXPECT_EQ(cells.Item(2, 2)->Value(), TCellValue(2.5));  // a cell without a reference follows B3
  }
}

TEST(XlsxReader, ThemeAndRgbColoursTakePaletteEntriesAsExcelGivesThem) {
  // Accent 1 of the Office 2007 theme lightened by 40% and darkened by 25%, as Excel shows them.
  XlsxParts parts = MinimalWorkbook(
      "<sheetData>" + Row(1, "<c r=\"A1\" s=\"1\"><v>1</v></c><c r=\"B1\" s=\"2\"><v>1</v></c>"
                             "<c r=\"C1\" s=\"3\"><v>1</v></c>") + "</sheetData>",
      "<fonts count=\"3\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font>"
      "<font><b/><sz val=\"12\"/><color theme=\"4\" tint=\"0.3999755851924192\"/><name val=\"Arial\"/></font>"
      "<font><color indexed=\"10\"/></font></fonts>"
      "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
      "<fill><patternFill patternType=\"solid\"><fgColor theme=\"4\" tint=\"-0.249977111117893\"/>"
      "<bgColor indexed=\"64\"/></patternFill></fill></fills>"
      "<borders count=\"2\"><border/><border><left style=\"thin\"><color rgb=\"FFFFFF00\"/></left>"
      "<bottom style=\"double\"/></border></borders>"
      "<cellXfs><xf/><xf fontId=\"1\"/><xf fillId=\"1\" borderId=\"1\"/><xf fontId=\"2\"/></cellXfs>");
  parts["xl/_rels/workbook.xml.rels"].insert(parts["xl/_rels/workbook.xml.rels"].find("</Relationships>"),
                                             Relationship("rId9", "theme", "theme/theme1.xml"));
  parts["xl/theme/theme1.xml"] =
      "<a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><a:themeElements>"
      "<a:clrScheme name=\"Office\"><a:dk1><a:sysClr val=\"windowText\" lastClr=\"000000\"/></a:dk1>"
      "<a:lt1><a:sysClr val=\"window\" lastClr=\"FFFFFF\"/></a:lt1><a:dk2><a:srgbClr val=\"1F497D\"/></a:dk2>"
      "<a:lt2><a:srgbClr val=\"EEECE1\"/></a:lt2><a:accent1><a:srgbClr val=\"4F81BD\"/></a:accent1>"
      "</a:clrScheme></a:themeElements></a:theme>";
  const auto file = Open(parts);
  TCells& cells = file->Workbook().Sheets().Item(0)->Cells();
  const TCell* font = cells.Item(0, 0);
  EXPECT_EQ(font->FontColorRGB(), RGBColor(0x95, 0xB3, 0xD7));
  EXPECT_TRUE(font->FontBold());
  EXPECT_EQ(font->FontHeight(), 12);
  EXPECT_EQ(font->FontName(), u"Arial");
  const TCell* fill = cells.Item(0, 1);
  EXPECT_EQ(fill->FillPattern(), xlPatternSolid);
  EXPECT_EQ(fill->FillPatternBGColorRGB(), RGBColor(0x36, 0x60, 0x92));
  EXPECT_EQ(fill->BorderStyle(xlBorderLeft), bsThin);
  EXPECT_EQ(fill->BorderColorRGB(xlBorderLeft), RGBColor(255, 255, 0));
  EXPECT_EQ(fill->BorderStyle(xlBorderBottom), bsDouble);
  EXPECT_EQ(fill->BorderStyle(xlBorderTop), bsNone);
  EXPECT_EQ(cells.Item(0, 2)->FontColorRGB(), RGBColor(255, 0, 0));  // palette number 10
}

TEST(XlsxReader, TintsGiveTheColoursOfExcelsThemePalette) {
  const std::uint32_t accent1 = RGBColor(0x4F, 0x81, 0xBD);
  const struct {
    double tint;
    std::uint32_t shown;
  } kCases[] = {{0.7999816888943144, RGBColor(0xDB, 0xE5, 0xF1)}, {0.5999938962981048, RGBColor(0xB8, 0xCC, 0xE4)},
                {0.3999755851924192, RGBColor(0x95, 0xB3, 0xD7)}, {-0.249977111117893, RGBColor(0x36, 0x60, 0x92)},
                {-0.499984740745262, RGBColor(0x24, 0x40, 0x61)}, {0, accent1}};
  for (const auto& c : kCases) EXPECT_EQ(TintColor(accent1, c.tint), c.shown) << c.tint;
}

TEST(XlsxReader, FiftySixColoursKeepTheirOwnEntriesAndTheRestTakeTheNearest) {
  std::string fonts, xfs, cells;
  auto hex = [](int value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value);
    return std::string(text);
  };
  for (int i = 0; i < 60; ++i) {
    fonts += "<font><color rgb=\"FF" + hex(i * 4) + "0102\"/></font>";
    xfs += "<xf fontId=\"" + std::to_string(i) + "\"/>";
    cells += Row(i + 1, "<c r=\"A" + std::to_string(i + 1) + "\" s=\"" + std::to_string(i) + "\"><v>1</v></c>");
  }
  const auto file = Open(MinimalWorkbook("<sheetData>" + cells + "</sheetData>",
                                         "<fonts>" + fonts + "</fonts><cellXfs>" + xfs + "</cellXfs>"));
  TCells& sheet = file->Workbook().Sheets().Item(0)->Cells();
  for (int i = 0; i < 56; ++i) EXPECT_EQ(sheet.Item(i, 0)->FontColorRGB(), RGBColor(i * 4, 1, 2)) << i;
  for (int i = 56; i < 60; ++i) EXPECT_EQ(sheet.Item(i, 0)->FontColorRGB(), RGBColor(55 * 4, 1, 2)) << i;
}

TEST(XlsxReader, RowsColumnsMergedAreasAndHyperlinks) {
  XlsxParts parts = MinimalWorkbook(
      "<cols><col min=\"2\" max=\"3\" width=\"20.7109375\" customWidth=\"1\" hidden=\"1\"/></cols><sheetData>" +
      Row(1, "<c r=\"A1\"><v>1</v></c>") + "<row r=\"3\" ht=\"30\" customHeight=\"1\" hidden=\"1\"/></sheetData>"
      "<mergeCells count=\"1\"><mergeCell ref=\"A5:C6\"/></mergeCells>"
      "<hyperlinks><hyperlink ref=\"A1:B1\" r:id=\"rId1\"/><hyperlink ref=\"A2\" location=\"'Лист1'!C3\"/>"
      "<hyperlink ref=\"A3\" r:id=\"rId2\"/></hyperlinks>");
  parts["xl/worksheets/_rels/sheet1.xml.rels"] =
      Relationships(Relationship("rId1", "hyperlink", "https://example.com/price?a=1&amp;b=2", true) +
                    Relationship("rId2", "hyperlink", "\\\\server\\share\\list.xlsx", true));
  const auto file = Open(parts);
  TSheet& sheet = *file->Workbook().Sheets().Item(0);
  EXPECT_EQ(sheet.Columns().Item(1)->WidthPx(), 145);  // Excel: "Width: 20.00 (145 pixels)"
  EXPECT_TRUE(sheet.Columns().Item(2)->Hidden());
  EXPECT_FALSE(sheet.Columns().Item(3)->Hidden());
  EXPECT_EQ(sheet.Rows().Item(2)->Height(), 30);
  EXPECT_TRUE(sheet.Rows().Item(2)->Hidden());
  TRangeRect merged;
  ASSERT_TRUE(sheet.FindMergedRectContainingCellCoord(5, 2, merged));
  EXPECT_EQ(merged.RowFrom, 4);
  EXPECT_EQ(merged.ColumnTo, 2);
  EXPECT_TRUE(sheet.Cells().Item(4, 0)->Merged());
  for (int column : {0, 1}) {
    EXPECT_EQ(sheet.Cells().Item(0, column)->Hyperlink(), u"https://example.com/price?a=1&b=2");
    EXPECT_EQ(sheet.Cells().Item(0, column)->HyperlinkType(), hltURL);
  }
  EXPECT_EQ(sheet.Cells().Item(0, 0)->Value(), TCellValue(1.0));
  EXPECT_EQ(sheet.Cells().Item(1, 0)->Hyperlink(), u"'Лист1'!C3");
  EXPECT_EQ(sheet.Cells().Item(1, 0)->HyperlinkType(), hltCurrentWorkbook);
  EXPECT_EQ(sheet.Cells().Item(2, 0)->HyperlinkType(), hltUNC);
}

TEST(XlsxReader, HostileAndDamagedPackagesFailWithTheirReason) {
  const std::string sheet = "<sheetData>" + Row(1, "<c r=\"A1\" t=\"s\"><v>0</v></c>") + "</sheetData>";
  XlsxParts doctype = MinimalWorkbook(sheet, "", "<si><t>x</t></si>");
  doctype["xl/sharedStrings.xml"] = "<?xml version=\"1.0\"?><!DOCTYPE sst [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>"
                                    "<sst><si><t>&e;</t></si></sst>";
  XlsxParts undefined = MinimalWorkbook(sheet, "", "<si><t>&e;</t></si>");
  XlsxParts bomb = MinimalWorkbook(sheet, "", "<si><t>x</t></si>");
  bomb["xl/worksheets/sheet1.xml"] += std::string(20 << 20, ' ');  // 20 MiB of blanks deflate to kilobytes
  XlsxParts missing = MinimalWorkbook(sheet);
  missing.erase("xl/worksheets/sheet1.xml");
  XlsxParts unknown_string = MinimalWorkbook(sheet, "", "");
  XlsxParts no_workbook = MinimalWorkbook(sheet);
  no_workbook["xl/workbook.xml"] = "<document/>";
  const struct {
    const char* name;
    XlsxParts parts;
    const char* reason;
  } kCases[] = {
      {"external entity", doctype, "document type declaration"},
      {"undefined entity", undefined, "no well-formed XML"},
      {"inflation bomb", bomb, "inflates beyond"},
      {"missing sheet part", missing, "xl/worksheets/sheet1.xml is missing"},
      {"string beyond the table", unknown_string, "names a shared string the table lacks"},
      {"no workbook", no_workbook, "holds no workbook"},
  };
  for (const auto& c : kCases) EXPECT_THAT(OpenError(c.parts), HasSubstr(c.reason)) << c.name;
  EXPECT_THAT(OpenError({{"a.txt", "not a workbook"}}), HasSubstr("relationships part is missing"));
  TXLSFile file;
  std::istringstream truncated(BuildZip(MinimalWorkbook(sheet)).substr(0, 200));
  EXPECT_THROW(file.OpenStream(&truncated), Exception);
}

TEST(XlsxReader, RelationshipTargetsNamePartsOfThePackage) {
  const struct {
    const char* source;
    const char* target;
    const char* part;
  } kCases[] = {
      {"xl/workbook.xml", "worksheets/sheet1.xml", "xl/worksheets/sheet1.xml"},
      {"xl/workbook.xml", "/xl/worksheets/sheet1.xml", "xl/worksheets/sheet1.xml"},
      {"xl/worksheets/sheet1.xml", "../drawings/./drawing1.xml", "xl/drawings/drawing1.xml"},
      {"", "xl/workbook.xml", "xl/workbook.xml"},
      {"xl/workbook.xml", "../../../../etc/passwd", "etc/passwd"},  // never above the package
  };
  for (const auto& c : kCases) EXPECT_EQ(ResolvePartName(c.source, c.target), c.part) << c.target;
}

TEST(XlsxReader, EncryptedPackageIsRefusedAsSuch) {
  const std::string document =
      BuildCompoundFile(9, {{u"EncryptionInfo", std::string(200, '\1')}, {u"EncryptedPackage", std::string(5000, '\2')}});
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "tarvo_encrypted_package.xlsx";
  std::ofstream(path, std::ios::binary) << document;
  TXLSFile file;
  try {
    file.OpenFile(Utf8ToUtf16(path.string()));
    ADD_FAILURE() << "opened";
  } catch (const Exception& e) {
    EXPECT_THAT(e.what(), HasSubstr("encrypted .xlsx package"));
  }
  std::filesystem::remove(path);
  std::istringstream stream(document);
  EXPECT_THROW(file.OpenStream(&stream), Exception);
  // A compound document without either stream keeps the .xls reader's own message.
  std::istringstream other(BuildCompoundFile(9, {{u"Book", std::string(100, '\0')}}));
  try {
    file.OpenStream(&other);
  } catch (const EXLSError& e) {
    EXPECT_EQ(e.ErrorCode(), EXLS_STREAMNOTFOUND);
  }
}

}  // namespace
