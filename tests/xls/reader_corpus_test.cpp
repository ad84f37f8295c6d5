// Opening the corpus workbooks: what each must do, and the protected price list against its
// plain twin.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/utf.h"
#include "xls/CFileError.h"
#include "xls/XLSError.h"
#include "xls/XLSFile.h"
#include "xls/XLSFormatStr.h"
#include "xls/XLSReader.h"
#include "xls_test_files.h"

namespace {

std::u16string CorpusPath(const std::string& name) { return Utf8ToUtf16(kCorpus + name); }

// The message of what opening `name` raises, or "" when it opens.
std::string OpenError(const std::string& name, const std::u16string& password = u"") {
  TXLSFile file;
  try {
    file.OpenProtectedFile(CorpusPath(name), password);
  } catch (const Exception& e) {
    return e.what();
  }
  EXPECT_TRUE(file.DataFromFile()) << name;
  return "";
}

TEST(ReaderCorpus, GoodWorkbooksOpen) {
  for (const char* name :
       {"pricelist_xlwt.xls", "pricelist_lo.xls", "pricelist_gnumeric.xls", "pricelist_lo_protected.xls",
        "number_format_russian.xls", "numfmt_1_russian.xls", "Formate.xls", "LONumbers.xls",
        "RkNumber.xls", "text_and_numbers.xls", "ErrorTypes.xls", "formula_stress_test.xls",
        "merge_cells.xls", "column_width.xls", "row_height.xls", "outline.xls",
        "hyperlink_stress_test_2011.xls", "internal_link.xls", "cell_style_simple.xls",
        "style-only-cells.xls", "xf_class.xls", "blanks.xls", "rich_text_stress.xls",
        "phonetic_text.xls", "comments_stress_test.xls", "picture_in_cell.xls", "wps_image.xls",
        "sheet_visibility.xls", "utf8-sheet-names.xls", "dates-1900.xls", "dates_1904.xls",
        "65536-rows-xls.xls", "ragged.xls"})
    EXPECT_EQ(OpenError(name), "") << name;
}

TEST(ReaderCorpus, ProtectionFailuresHaveTheirTexts) {
  const std::string invalid = "Error: file is protected, and password is invalid!";
  EXPECT_EQ(OpenError("pricelist_lo_password.xls"), invalid);
  EXPECT_EQ(OpenError("password_2002_40_972000.xls"), invalid);
  EXPECT_EQ(OpenError("pricelist_lo_password.xls", u"secret"), "");
  EXPECT_EQ(OpenError("password_2002_40_972000.xls", u"password"), "");
  EXPECT_EQ(OpenError("pricelist_lo_password.xls", u"wrong"), invalid);
  EXPECT_EQ(OpenError("pricelist_lo_password.xls", u"sixteen-chars-xx"),
            "File protection password must have 0-15 characters.");
  EXPECT_EQ(OpenError("password_2002_40_basecrypto.xls"), "Error: strong encryption not supported.");
  EXPECT_EQ(OpenError("password_2002_40_xor.xls"),
            "Error: data is protected, and this encryption type not supported.");
}

TEST(ReaderCorpus, Biff5IsRefusedWithCode2) {
  TXLSFile file;
  try {
    file.OpenFile(CorpusPath("biff5_text_and_numbers.xls"));
    FAIL() << "opened";
  } catch (const EXLSError& e) {
    EXPECT_EQ(e.ErrorCode(), EXLS_STREAMNOTFOUND);
    EXPECT_STREQ(e.what(), "Stream not found: Workbook. File format is not Excel 97 or higher.");
  }
  EXPECT_FALSE(file.DataFromFile());
}

TEST(ReaderCorpus, DamagedFilesFailCleanly) {
  for (const char* name : {"corrupted_error.xls", "xls2csv_ole_ole2_fread_327.xls",
                           "xls2csv_ole_read_MSAT_772.xls", "xls2csv_ole_read_MSAT_body_637.xls",
                           "xls2csv_ole_read_MSAT_body_687.xls"}) {
    TXLSFile file;
    try {
      file.OpenFile(CorpusPath(name));
    } catch (const ECFileError&) {
    } catch (const EXLSError&) {
    }
  }
}

TEST(ReaderCorpus, FileVersionAndProtectionMethod) {
  EXPECT_EQ(TXLSReader::GetFileVersion(CorpusPath("pricelist_lo.xls")), 8);
  EXPECT_EQ(TXLSReader::GetFileVersion(CorpusPath("biff5_text_and_numbers.xls")), 0);
  EXPECT_EQ(TXLSReader::GetFileVersion(CorpusPath("no-such-file.xls")), 0);
  EXPECT_EQ(TXLSReader::GetFileProtectionMethod(CorpusPath("pricelist_lo.xls")), 0);
  EXPECT_EQ(TXLSReader::GetFileProtectionMethod(CorpusPath("pricelist_lo_protected.xls")), 0);
  EXPECT_EQ(TXLSReader::GetFileProtectionMethod(CorpusPath("pricelist_lo_password.xls")), 10);
  EXPECT_EQ(TXLSReader::GetFileProtectionMethod(CorpusPath("password_2002_40_972000.xls")), 10);
  EXPECT_EQ(TXLSReader::GetFileProtectionMethod(CorpusPath("password_2002_40_basecrypto.xls")), -1);
  EXPECT_EQ(TXLSReader::GetFileProtectionMethod(CorpusPath("password_2002_40_xor.xls")), -1);
  EXPECT_THROW(TXLSReader::GetFileProtectionMethod(CorpusPath("biff5_text_and_numbers.xls")), EXLSError);
}

TEST(ReaderCorpus, PicturesAndCommentsReachTheirSheetsUnlessDrawingsAreOff) {
  struct Case {
    const char* name;
    int images, comments;  // of the first sheet
  } cases[] = {{"picture_in_cell.xls", 1, 0}, {"wps_image.xls", 3, 0}, {"comments_stress_test.xls", 0, 10}};
  for (const Case& c : cases) {
    for (bool drawings : {true, false}) {
      TXLSFile file;
      file.SetReadDrawings(drawings);
      file.OpenFile(CorpusPath(c.name));
      TSheet* sheet = file.Workbook().Sheets().Item(0);
      EXPECT_EQ(sheet->Images().Count(), drawings ? c.images : 0) << c.name;
      EXPECT_EQ(sheet->CellComments().Count(), drawings ? c.comments : 0) << c.name;
    }
  }
}

TEST(ReaderCorpus, PriceListCellsAndDates) {
  TXLSFile file;
  file.OpenFile(CorpusPath("pricelist_xlwt.xls"));
  TSheet* sheet = file.Workbook().Sheets().Item(0);
  EXPECT_EQ(sheet->Cells().FindCell(2, 1)->ValueAsString(), u"Наименование");
  const TCell* date = sheet->Cells().FindCell(4, 5);
  ASSERT_TRUE(std::holds_alternative<TCellDate>(date->Value()));
  EXPECT_EQ(date->ValueAsString(), u"30.11.2026");
  EXPECT_EQ(sheet->Cells().FindCell(4, 3)->ValueAsString(), u"19\u00A0024,18");
}

}  // namespace
