#!/usr/bin/env bash
# Usage: bench/fuzz.sh [SECONDS [TARGET...]]
# Builds the libFuzzer targets (clang 14, AddressSanitizer and UndefinedBehaviorSanitizer) and
# runs each (or the TARGETs named) for SECONDS (300 unless given), seeded from ../shared/corpus
# (.xls) or ../shared/corpus-xlsx (.xlsx) where the input is a workbook. Prints executions,
# coverage and findings per target; a finding's input is kept in build-fuzz/findings/. Installs
# clang and its runtime from Debian when missing. Not part of ./test.sh. Set JOBS to run that
# many targets at once (1 unless set).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-300}
build=${FUZZ_BUILD_DIR:-build-fuzz}
jobs=${JOBS:-1}

missing=()
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
scripts/install-packages fuzz ${missing[@]+"${missing[@]}"}
scripts/setup-deps

targets=(workbook_fuzz xlsx_fuzz compound_document_fuzz http_response_fuzz settings_fuzz)
[ $# -gt 1 ] && targets=("${@:2}")
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARVO_FUZZ=ON -DTARVO_WITH_UI=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/findings"

# seed_folder TARGET: the seed corpus folder of a target (its working corpus grows there).
seed_folder() {
  local folder="$build/corpus/$1"
  mkdir -p "$folder"
  case $1 in
    # The smaller workbooks only: large seeds slow every execution down.
    workbook_fuzz | compound_document_fuzz)
      find ../shared/corpus -name '*.xls' -size -200k -exec cp -n {} "$folder"/ \; ;;
    xlsx_fuzz)
      find ../shared/corpus-xlsx -name '*.xlsx' -size -200k -exec cp -n {} "$folder"/ \; ;;
    http_response_fuzz)
      printf 'HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nok\r\n' >"$folder/length"
      printf 'HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n' >"$folder/chunked"
      printf 'HTTP/1.0 404 Not Found\r\n\r\n<html>no</html>' >"$folder/until_close"
      printf 'HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n' >"$folder/interim"
      ;;
    settings_fuzz) cp -n ../shared/fixtures/settings/*.kvb "$folder"/ ;;
  esac
  echo "$folder"
}

run_target() {
  local target=$1 folder log
  folder=$(seed_folder "$target")
  log="$build/$target.log"
  # 1 GiB resident, 256 MiB in one allocation and 10 s per input: beyond either counts as a finding.
  set +e
  "$build/tests/fuzz/$target" "$folder" -max_total_time="$seconds" -rss_limit_mb=1024 \
    -malloc_limit_mb=256 -timeout=10 -max_len=$([ "$target" = settings_fuzz ] && echo 2000 || echo 262144) \
    -artifact_prefix="$build/findings/$target-" -print_final_stats=1 >"$log" 2>&1
  local status=$?
  set -e
  local execs per_second cov
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
  per_second=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1 || echo '?')
  if [ $status -eq 0 ]; then
    echo "$target: $execs executions, $per_second/s, $cov, no finding"
  else
    echo "$target: FINDING (exit $status) after $execs executions; see $log and $build/findings/"
  fi
  return $status
}

failed=0
pids=()
for target in "${targets[@]}"; do
  run_target "$target" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$jobs" ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
exit $failed
