// Cell text speed: a million prices with "#,##0.00" and a million dates with "dd.mm.yyyy",
// through the cell text engine, and the prices as the HTML writer calls it with its parsed
// format and one buffer. Reports the time per value.

#include <benchmark/benchmark.h>

#include "xls/XLSCellText.h"

namespace {

constexpr int kValues = 1000000;

// Reports the values per second and the time one value takes.
void ReportPerValue(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kValues);
  state.counters["time_per_value"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kValues,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_PricesWithGroupsAndCents(benchmark::State& state) {
  for (auto _ : state) {
    for (int i = 0; i < kValues; ++i) {
      const double price = i * 1.37 + 0.05;
      benchmark::DoNotOptimize(FormatCellValue(TDisplayValue(price), 4, u"#,##0.00"));
    }
  }
  ReportPerValue(state);
}
BENCHMARK(BM_PricesWithGroupsAndCents)->Unit(benchmark::kMillisecond);

// As the HTML writer calls it: the format parsed once, the text appended to one buffer.
void BM_PricesAppendedByTheirParsedFormat(benchmark::State& state) {
  const TNumberFormat price{4, u"#,##0.00", ParseFormatCode(u"#,##0.00")};
  std::u16string text;
  for (auto _ : state) {
    for (int i = 0; i < kValues; ++i) {
      text.clear();
      AppendCellValueText(text, TDisplayValue(i * 1.37 + 0.05), price, true);
      benchmark::DoNotOptimize(text.data());
    }
  }
  ReportPerValue(state);
}
BENCHMARK(BM_PricesAppendedByTheirParsedFormat)->Unit(benchmark::kMillisecond);

void BM_DatesDayMonthYear(benchmark::State& state) {
  for (auto _ : state) {
    for (int i = 0; i < kValues; ++i) {
      const double date = 36526 + (i % 10000) + 0.25;  // from 2000-01-01 on
      benchmark::DoNotOptimize(
          FormatCellValue(TDisplayValue(TDisplayDate{date}), 164, u"dd.mm.yyyy"));
    }
  }
  ReportPerValue(state);
}
BENCHMARK(BM_DatesDayMonthYear)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
