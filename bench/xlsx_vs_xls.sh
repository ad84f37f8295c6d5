#!/usr/bin/env bash
# The same price list as .xls and as .xlsx: ROWS goods (60,000 unless set) written by xlwt and
# saved as .xlsx by LibreOffice, each converted by tarvo-xls2html RUNS times (3 unless set):
# median wall-clock and CPU time, peak resident memory and instructions per cell (perf when the
# machine counts instructions, else callgrind, one run). Then every workbook of
# ../shared/corpus-xlsx opened alone (open_bench): time and peak memory, flagged beyond a second
# or 100 MiB. Installs python3-xlwt and LibreOffice Calc from Debian when they are missing.
# Not part of ./test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

rows=${ROWS:-60000}
runs=${RUNS:-3}
build=${BENCH_BUILD_DIR:-build-bench}

missing=()
/usr/bin/python3 -c 'import xlwt' 2>/dev/null || missing+=(python3-xlwt)
command -v soffice >/dev/null 2>&1 || missing+=(libreoffice-calc-nogui)
[ -x /usr/bin/time ] || missing+=(time)
command -v valgrind >/dev/null 2>&1 || missing+=(valgrind)
scripts/install-packages bench ${missing[@]+"${missing[@]}"}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVO_WITH_UI=OFF >/dev/null
cmake --build "$build" -j 2 --target tarvo-xls2html open_bench
tool="$build/tools/tarvo-xls2html"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 bench/make_pricelist.py "$work/pricelist.xls" "$rows"
soffice "-env:UserInstallation=file://$work/lo-profile" --headless --convert-to xlsx \
  --outdir "$work" "$work/pricelist.xls" >/dev/null 2>&1
cells=$((rows * 6))
echo "bench: $rows goods ($cells cells); .xls $(stat -c %s "$work/pricelist.xls") bytes," \
  ".xlsx $(stat -c %s "$work/pricelist.xlsx") bytes"

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# instructions FILE: instructions of one conversion, from perf or callgrind.
instructions() {
  local count
  count=$(perf stat -x, -e instructions:u "$tool" "$1" "$work/out.html" 2>&1 >/dev/null |
          awk -F, '/instructions/ { print $1 }')
  if ! [[ $count =~ ^[0-9]+$ ]]; then
    valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$tool" "$1" \
      "$work/out.html" 2>"$work/callgrind.txt" >/dev/null
    count=$(awk '/Collected :/ { print $4 }' "$work/callgrind.txt")
  fi
  echo "$count"
}

for kind in xls xlsx; do
  in="$work/pricelist.$kind"
  wall=() cpu=() peak=()
  for ((i = 1; i <= runs; ++i)); do
    start=$EPOCHREALTIME
    /usr/bin/time -f '%U %S %M' -o "$work/time.txt" "$tool" "$in" "$work/out.html"
    wall+=("$(awk -v a="$EPOCHREALTIME" -v b="$start" 'BEGIN { print a - b }')")
    read -r user sys kib < "$work/time.txt"
    cpu+=("$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')")
    peak+=("$kib")
  done
  count=$(instructions "$in")
  printf '.%-4s: median %.3f s wall, %.3f s CPU, peak %.1f MiB, %s instructions per cell\n' \
    "$kind" "$(median "${wall[@]}")" "$(median "${cpu[@]}")" \
    "$(awk -v k="$(median "${peak[@]}")" 'BEGIN { print k / 1024 }')" \
    "$(awk -v n="$count" -v c="$cells" 'BEGIN { if (n > 0) printf "%.0f", n / c; else print "?" }')"
done

echo "bench: opening every workbook of ../shared/corpus-xlsx"
for file in ../shared/corpus-xlsx/*.xlsx; do
  if line=$("$build/bench/open_bench" "$file" 1 2>&1); then
    seconds=$(sed -n 's/.*median \([0-9.]*\) s.*/\1/p' <<<"$line")
    mib=$(sed -n 's/.*memory \([0-9.]*\) MiB.*/\1/p' <<<"$line")
  else
    # A refused workbook: time and memory of the refusal.
    /usr/bin/time -f '%e %M' -o "$work/time.txt" "$build/bench/open_bench" "$file" 1 >/dev/null 2>&1 || true
    read -r seconds kib < <(tail -n 1 "$work/time.txt")
    mib=$(awk -v k="$kib" 'BEGIN { printf "%.1f", k / 1024 }')
    line="refused"
  fi
  flag=$(awk -v s="$seconds" -v m="$mib" 'BEGIN { if (s > 1 || m > 100) print "  BEYOND 1 s OR 100 MiB" }')
  printf '%-70s %6.3f s %7.1f MiB %s%s\n' "$(basename "$file")" "$seconds" "$mib" \
    "$([ "$line" = refused ] && echo refused || echo opened)" "$flag"
done
