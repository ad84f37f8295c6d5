// Writing the HTML of a 60,000-row price list held in memory: the writer's share of a
// conversion, without reading a file.

#include <benchmark/benchmark.h>

#include <string>

#include "platform/stream.h"
#include "xls/XLSWorkbook.h"

namespace {

constexpr int kRows = 60000;

void FillPriceList(TSheet& sheet) {
  TCells& cells = sheet.Cells();
  for (int c = 0; c < 6; ++c) {
    TCell* header = cells.Item(0, c);
    header->SetValue(std::u16string(u"Заголовок"));
    header->SetFontBold(true);
    header->SetFillPatternBGColorIndex(6);
    header->SetBorderStyle(xlBorderAll, bsThin);
  }
  for (int r = 1; r <= kRows; ++r) {
    cells.Item(r, 0)->SetValue(std::u16string(u"A") + std::u16string(6, u'0' + r % 10));
    cells.Item(r, 1)->SetValue(std::u16string(u"Товар №") + static_cast<char16_t>(u'0' + r % 10) +
                               u", арт. 1234 & <серия>");
    cells.Item(r, 2)->SetValue(std::u16string(u"шт"));
    TCell* price = cells.Item(r, 3);
    price->SetValue(10 + r * 0.37);
    price->SetFormatStringIndex(4);  // "#,##0.00"
    cells.Item(r, 4)->SetValue(static_cast<double>(r % 500));
    cells.Item(r, 5)->SetValue(TCellDate{46000.0 + r % 340});
  }
}

void WritePriceListHtml(benchmark::State& state) {
  TWorkbook book(1);
  TSheet& sheet = *book.Sheets().Item(0);
  FillPriceList(sheet);
  std::int64_t bytes = 0;
  for (auto _ : state) {
    TMemoryStream stream;
    sheet.SaveToStreamAsHTML(stream);
    bytes = stream.Size();
  }
  state.counters["html_bytes"] = static_cast<double>(bytes);
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(WritePriceListHtml)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
