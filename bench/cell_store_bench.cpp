// Storing many cells that share a handful of formats: time and heap bytes per stored cell.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <string>

#include "xls/XLSWorkbook.h"

namespace {

constexpr int kCells = 500000;
constexpr int kColumns = 10;

std::size_t HeapInUse() { return mallinfo2().uordblks; }

void StoreCells(benchmark::State& state) {
  double bytes_per_cell = 0;
  for (auto _ : state) {
    const std::size_t before = HeapInUse();
    TWorkbook book(1);
    TCells& cells = book.Sheets().Item(0)->Cells();
    for (int i = 0; i < kCells; ++i) {
      TCell* cell = cells.Item(i / kColumns, i % kColumns);
      switch (i % kColumns) {
        case 0: cell->SetValue(std::u16string(u"Товар")); cell->SetFontBold(true); break;
        case 1: cell->SetValue(static_cast<double>(i)); cell->SetFormatStringIndex(4); break;
        case 2: cell->SetValue(TCellDate{45000.0 + i % 365}); break;
        case 3: cell->SetValue(static_cast<double>(i % 100)); cell->SetBorderStyle(xlBorderAll, bsThin); break;
        default: cell->SetValue(1.5); break;
      }
    }
    benchmark::DoNotOptimize(cells.Count());
    bytes_per_cell = static_cast<double>(HeapInUse() - before) / kCells;
    state.counters["xf_records"] = book.XFTable().Count();
  }
  state.SetItemsProcessed(state.iterations() * kCells);
  state.counters["heap_bytes_per_cell"] = bytes_per_cell;
  state.counters["ns_per_cell"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kCells,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(StoreCells)->Unit(benchmark::kMillisecond);

// Reading the format of every cell of a stored rectangle, as the HTML writer does.
void ReadFormats(benchmark::State& state) {
  TWorkbook book(1);
  TCells& cells = book.Sheets().Item(0)->Cells();
  for (int i = 0; i < kCells; ++i) {
    TCell* cell = cells.Item(i / kColumns, i % kColumns);
    cell->SetValue(1.0);
    if (i % 3 == 0) cell->SetFontBold(true);
  }
  for (auto _ : state) {
    long sum = 0;
    for (int i = 0; i < cells.Count(); ++i) {
      const TCell* cell = cells.ItemByIndex(i);
      sum += cell->FontBold() + cell->HAlign() + cell->FillPatternBGColorIndex();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kCells);
}
BENCHMARK(ReadFormats)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
