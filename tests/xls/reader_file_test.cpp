// The file object: its defaults, its code page, clearing, and what opening leaves behind.

#include <gtest/gtest.h>

#include "biff_builder.h"
#include "platform/codepage.h"
#include "xls/BiffStrings.h"
#include "xls/XLSError.h"

namespace {

TEST(XLSFile, StartsWithOneSheetAndTheDefaults) {
  TXLSFile file;
  EXPECT_EQ(file.Workbook().Sheets().Count(), 1);
  EXPECT_FALSE(file.DataFromFile());
  EXPECT_TRUE(file.ReadEmptyCells() && file.ReadRowFormats() && file.ReadColumnFormats() &&
              file.ReadFormulas() && file.ReadDrawings());
  EXPECT_FALSE(file.RaiseErrorOnReadUnknownFormula());
  EXPECT_EQ(file.CodePage(), GetACP());
  EXPECT_EQ(file.ListSeparator(), ';');  // the Russian locale's
}

TEST(XLSFile, CodePageIsTheProcessWideOneOfWorkbookText) {
  TXLSFile file;
  file.SetCodePage(1252);
  EXPECT_EQ(WorkbookCodePage(), 1252);
  // 8-bit BIFF8 sheet names hold U+0000 to U+00FF, whatever the code page.
  OpenWorkbook(file, Bof() + Rec(0x0085, Data().L(0).B(0).B(0).B(4).B(0).Raw("Pr\xE9s")) + Eof());
  EXPECT_EQ(file.Workbook().Sheets().Item(0)->Name(), u"Prés");
  file.SetCodePage(GetACP());
  OpenWorkbook(file, Bof() + Rec(0x0085, Data().L(0).B(0).B(0).B(5).B(0).Raw("\xC4" "cker")) + Eof());
  EXPECT_EQ(file.Workbook().Sheets().Item(0)->Name(), u"Äcker");
}

TEST(XLSFile, ClearAndAMissingStream) {
  TXLSFile file;
  OpenWorkbook(file, OneSheet(NumberRec(0, 0, 0, 1)));
  ASSERT_TRUE(file.DataFromFile());
  file.OpenStream(nullptr);  // nothing happens
  EXPECT_TRUE(file.DataFromFile());
  EXPECT_EQ(file.Workbook().Sheets().Count(), 1);
  file.Clear();
  EXPECT_FALSE(file.DataFromFile());
  EXPECT_EQ(file.Workbook().Sheets().Count(), 0);
}

TEST(XLSFile, AFailedOpenLeavesTheWorkbookClearedAndNotFromFile) {
  TXLSFile file;
  OpenWorkbook(file, OneSheet(NumberRec(0, 0, 0, 1)));
  std::istringstream in(BuildCompoundFile(9, {{u"Book", OneSheet("")}}));
  EXPECT_THROW(file.OpenStream(&in), EXLSError);
  EXPECT_FALSE(file.DataFromFile());
  EXPECT_EQ(file.Workbook().Sheets().Count(), 0);
}

}  // namespace
