// Cell text speed: a million prices with "#,##0.00" and a million dates with "dd.mm.yyyy",
// through the cell text engine as the HTML writer calls it. Reports the time per value.

#include <benchmark/benchmark.h>

#include "xls/XLSCellText.h"

namespace {

constexpr int kValues = 1000000;

void BM_PricesHashCommaZeroDotZeroZero(benchmark::State& state) {
  for (auto _ : state) {
    for (int i = 0; i < kValues; ++i) {
      const double price = i * 1.37 + 0.05;
      benchmark::DoNotOptimize(FormatCellValue(TDisplayValue(price), 4, u"#,##0.00"));
    }
  }
  state.SetItemsProcessed(state.iterations() * kValues);
  state.counters["ns_per_value"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kValues,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PricesHashCommaZeroDotZeroZero)->Unit(benchmark::kMillisecond);

void BM_DatesDdMmYyyy(benchmark::State& state) {
  for (auto _ : state) {
    for (int i = 0; i < kValues; ++i) {
      const double date = 36526 + (i % 10000) + 0.25;  // from 2000-01-01 on
      benchmark::DoNotOptimize(
          FormatCellValue(TDisplayValue(TDisplayDate{date}), 164, u"dd.mm.yyyy"));
    }
  }
  state.SetItemsProcessed(state.iterations() * kValues);
  state.counters["ns_per_value"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kValues,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DatesDdMmYyyy)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
