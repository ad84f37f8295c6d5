// Opening a workbook alone: time and peak resident memory of TXLSFile.OpenFile on the file
// named on the command line, opened RUNS times (3 unless given), with the median time.
//
// Usage: open_bench IN.xls [RUNS]

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <vector>

#include "platform/utf.h"
#include "xls/XLSFile.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: open_bench IN.xls [RUNS]\n");
    return 1;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  std::vector<double> seconds;
  std::size_t cells = 0;
  try {
    for (int i = 0; i < runs; ++i) {
      TXLSFile file;
      const auto start = std::chrono::steady_clock::now();
      file.OpenFile(Utf8ToUtf16(argv[1]));
      seconds.push_back(
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
      cells = file.Workbook().Sheets().Item(0)->Cells().Count();
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::sort(seconds.begin(), seconds.end());
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("open: median %.3f s over %d runs, %zu stored cells on the first sheet, "
              "peak resident memory %.1f MiB\n",
              seconds[seconds.size() / 2], runs, cells, usage.ru_maxrss / 1024.0);
  return 0;
}
