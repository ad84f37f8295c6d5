// Writing a list's HTML file: the size bound while writing, and what is left of an earlier file
// when a workbook cannot be published.

#include "app/price_html.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "form_fixture.h"

namespace {

class PriceHtmlTest : public FormTest {};

TEST_F(PriceHtmlTest, WritingStopsAndRemovesTheFileOnceItPassesTheLimit) {
  const std::string html = Path("output.html");
  const std::u16string workbook = U(std::filesystem::absolute("../shared/corpus/pricelist_lo.xls").string());
  WritePriceHtml(workbook, U(html));
  const auto size = static_cast<std::int64_t>(std::filesystem::file_size(html));
  EXPECT_NO_THROW(WritePriceHtml(workbook, U(html), size));  // exactly at the limit
  EXPECT_EQ(static_cast<std::int64_t>(std::filesystem::file_size(html)), size);
  EXPECT_THROW(WritePriceHtml(workbook, U(html), size - 1), EPriceListTooLarge);
  EXPECT_FALSE(std::filesystem::exists(html));
}

TEST_F(PriceHtmlTest, AWorkbookThatCannotBeReadLeavesTheEarlierFile) {
  const std::string html = Path("output.html"), broken = Path("broken.xls");
  WriteBytes(html, "earlier");
  WriteBytes(broken, "not a workbook");
  EXPECT_ANY_THROW(WritePriceHtml(U(broken), U(html)));
  EXPECT_EQ(ReadBytes(html), "earlier");
}

}  // namespace
