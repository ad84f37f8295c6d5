// The RC4-protected price list (encrypted with the default password) reads into exactly the
// model of its unprotected twin.

#include <gtest/gtest.h>

#include <string>

#include "platform/utf.h"
#include "xls/XLSFile.h"
#include "xls/XLSFormatStr.h"
#include "xls_test_files.h"

namespace {

// Everything the model holds of a sheet that the output uses, cell by cell, as one text.
std::string Describe(TWorkbook& wb) {
  std::string out;
  for (int s = 0; s < wb.Sheets().Count(); ++s) {
    TSheet* sheet = wb.Sheets().Item(s);
    out += "sheet " + Utf16ToUtf8(sheet->Name()) + (sheet->Visible() ? "\n" : " hidden\n");
    for (int i = 0; i < sheet->Cells().Count(); ++i) {
      TCell* cell = sheet->Cells().ItemByIndex(i);
      const TXFData xf = wb.XFTable().LoadXFToBuffer(cell->XFTableIndex());
      const TFontData font = wb.FontTable().LoadFontToBuffer(xf.FontIndex);
      out += std::to_string(cell->Row()) + "," + std::to_string(cell->Col()) + " kind " +
             std::to_string(cell->Value().index()) + " [" + Utf16ToUtf8(cell->ValueAsString()) + "] format [" +
             Utf16ToUtf8(wb.FormatStrings()->GetFormat(xf.FormatIndex).FormatString) + "] xf " +
             std::string(TVirtualXFTable::BytesOf(xf)) + " font " +
             std::string(TVirtualFontTable::BytesOf(font)) + " link " + Utf16ToUtf8(cell->Hyperlink()) + "\n";
    }
    for (int i = 0; i < sheet->Rows().Count(); ++i) {
      TRow* row = sheet->Rows().ItemByIndex(i);
      out += "row " + std::to_string(row->Index()) + " " + std::to_string(row->Height()) +
             (row->Hidden() ? " hidden\n" : "\n");
    }
    for (int i = 0; i < sheet->Columns().Count(); ++i) {
      TColumn* column = sheet->Columns().ItemByIndex(i);
      out += "column " + std::to_string(column->Index()) + " " + std::to_string(column->Width()) +
             (column->Hidden() ? " hidden\n" : "\n");
    }
    for (int i = 0; i < sheet->Ranges().RangesCount(); ++i) {
      const TRange* range = sheet->Ranges().Item(i);
      for (int r = 0; r < range->RectsCount(); ++r) {
        const TRangeRect& rect = range->Rect(r);
        out += "range " + Utf16ToUtf8(range->Name()) + (range->Merged() ? " merged " : " ") +
               std::to_string(rect.RowFrom) + ":" + std::to_string(rect.RowTo) + "," +
               std::to_string(rect.ColumnFrom) + ":" + std::to_string(rect.ColumnTo) + "\n";
      }
    }
  }
  return out;
}

TEST(ReaderModels, ProtectedPriceListReadsLikeItsPlainTwin) {
  TXLSFile plain, encrypted;
  plain.OpenFile(Utf8ToUtf16(kCorpus + "pricelist_lo.xls"));
  encrypted.OpenFile(Utf8ToUtf16(kCorpus + "pricelist_lo_protected.xls"));
  const std::string expected = Describe(plain.Workbook());
  EXPECT_GT(plain.Workbook().Sheets().Item(0)->Cells().Count(), 1800);
  EXPECT_EQ(Describe(encrypted.Workbook()), expected);
  EXPECT_EQ(encrypted.Workbook().XFTable().Count(), plain.Workbook().XFTable().Count());
  EXPECT_EQ(encrypted.Workbook().FontTable().Count(), plain.Workbook().FontTable().Count());
  EXPECT_EQ(encrypted.Workbook().FormatStrings()->FormatsCount(), plain.Workbook().FormatStrings()->FormatsCount());
}

}  // namespace
