#!/usr/bin/env bash
# Time and peak memory of opening a generated price list (ROWS goods written by xlwt, 60,000
# unless set) with TXLSFile.OpenFile alone. Installs python3-xlwt from Debian when missing.
# Not part of ./test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

rows=${ROWS:-60000}
build=${BENCH_BUILD_DIR:-build-bench}

/usr/bin/python3 -c 'import xlwt' 2>/dev/null || scripts/install-packages bench python3-xlwt

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVO_WITH_UI=OFF >/dev/null
cmake --build "$build" -j 2 --target open_bench

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 bench/make_pricelist.py "$work/pricelist.xls" "$rows"
echo "bench: $(stat -c %s "$work/pricelist.xls") bytes, $rows goods"
"$build/bench/open_bench" "$work/pricelist.xls" "${RUNS:-3}"
