#!/usr/bin/env bash
# Our converter beside catdoc's xls2csv and LibreOffice's headless HTML export, on the same
# price list (ROWS goods written by xlwt, 60,000 unless set): RUNS runs of each (3 unless set),
# interleaved; for each program the median wall and CPU time and the peak resident memory, and
# for ours the instructions per stored cell counted by callgrind (stable on a busy machine),
# then the ratios. Installs python3-xlwt, catdoc, valgrind and LibreOffice Calc from Debian when
# they are missing. CALLGRIND=0 skips the instruction count; TOOL=path runs that converter
# instead of building one in Release. Not part of ./test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

rows=${ROWS:-60000}
runs=${RUNS:-3}
build=${BENCH_BUILD_DIR:-build-bench}
callgrind=${CALLGRIND:-1}

missing=()
/usr/bin/python3 -c 'import xlwt' 2>/dev/null || missing+=(python3-xlwt)
command -v xls2csv >/dev/null 2>&1 || missing+=(catdoc)
command -v soffice >/dev/null 2>&1 || missing+=(libreoffice-calc-nogui)
[ -x /usr/bin/time ] || missing+=(time)
[ "$callgrind" = 0 ] || command -v valgrind >/dev/null 2>&1 || missing+=(valgrind)
scripts/install-packages bench ${missing[@]+"${missing[@]}"}

tool=${TOOL:-$build/tools/tarvo-xls2html}
if [ -z "${TOOL:-}" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVO_WITH_UI=OFF >/dev/null
  cmake --build "$build" -j 2 --target tarvo-xls2html
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 bench/make_pricelist.py "$work/pricelist.xls" "$rows"
# Stored cells: six a good, the header's six, the title and the five blanks its merge covers.
cells=$((6 * rows + 12))
echo "bench: $(stat -c %s "$work/pricelist.xls") bytes, $rows goods, $cells stored cells"
mkdir -p "$work/lo"
lo=(soffice "-env:UserInstallation=file://$work/lo-profile" --headless --convert-to html
    --outdir "$work/lo" "$work/pricelist.xls")
# The first start of LibreOffice builds its user profile; that start is not timed.
"${lo[@]}" >/dev/null 2>&1

# timed LABEL COMMAND...: one run of COMMAND; appends its wall-clock seconds, its CPU seconds
# (user + system, children included) and its peak resident KiB to the arrays named by LABEL.
timed() {
  local -n wall=${1}_wall cpu=${1}_cpu peak=${1}_peak
  shift
  local start=$EPOCHREALTIME
  /usr/bin/time -f '%U %S %M' -o "$work/time.txt" "$@"
  wall+=("$(awk -v a="$EPOCHREALTIME" -v b="$start" 'BEGIN { print a - b }')")
  read -r user sys kib < "$work/time.txt"
  cpu+=("$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')")
  peak+=("$kib")
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a / b }'; }
mib() { awk -v k="$(printf '%s\n' "$@" | sort -g | tail -1)" 'BEGIN { printf "%.1f", k / 1024 }'; }

ours_wall=() ours_cpu=() ours_peak=() csv_wall=() csv_cpu=() csv_peak=() lo_wall=() lo_cpu=() lo_peak=()
for ((i = 1; i <= runs; ++i)); do
  timed ours "$tool" "$work/pricelist.xls" "$work/ours.html"
  timed csv sh -c 'exec xls2csv "$1" > "$2"' xls2csv "$work/pricelist.xls" "$work/pricelist.csv"
  rm -f "$work/lo/pricelist.html"
  timed lo "${lo[@]}" >/dev/null 2>&1
  [ -s "$work/lo/pricelist.html" ] || { echo "bench: LibreOffice wrote no HTML" >&2; exit 1; }
  printf 'run %d: tarvo-xls2html %.3f s, xls2csv %.3f s, LibreOffice %.3f s\n' "$i" \
    "${ours_wall[-1]}" "${csv_wall[-1]}" "${lo_wall[-1]}"
done

per_cell="-"
if [ "$callgrind" != 0 ]; then
  valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" \
    "$tool" "$work/pricelist.xls" "$work/callgrind.html" 2> "$work/callgrind.txt"
  instructions=$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$work/callgrind.txt")
  per_cell=$(awk -v i="$instructions" -v c="$cells" 'BEGIN { printf "%.0f", i / c }')
  printf 'tarvo-xls2html: %s instructions (callgrind), %s per stored cell\n' "$instructions" "$per_cell"
fi

printf '\n%-16s %10s %10s %12s %14s %s\n' program "wall (s)" "CPU (s)" "peak (MiB)" "instr./cell" output
row() {
  local -n wall=${1}_wall cpu=${1}_cpu peak=${1}_peak
  printf '%-16s %10.3f %10.2f %12s %14s %s\n' "$2" "$(median "${wall[@]}")" "$(median "${cpu[@]}")" \
    "$(mib "${peak[@]}")" "$3" "$4"
}
row ours tarvo-xls2html "$per_cell" "HTML, $(stat -c %s "$work/ours.html") bytes"
row csv xls2csv - "CSV, $(stat -c %s "$work/pricelist.csv") bytes"
row lo LibreOffice - "HTML, $(stat -c %s "$work/lo/pricelist.html") bytes"
m_ours=$(median "${ours_wall[@]}") c_ours=$(median "${ours_cpu[@]}")
printf '\nxls2csv / tarvo-xls2html:     %s (CPU time: %s)\n' "$(ratio "$(median "${csv_wall[@]}")" "$m_ours")" \
  "$(ratio "$(median "${csv_cpu[@]}")" "$c_ours")"
printf 'LibreOffice / tarvo-xls2html: %s (CPU time: %s)\n' "$(ratio "$(median "${lo_wall[@]}")" "$m_ours")" \
  "$(ratio "$(median "${lo_cpu[@]}")" "$c_ours")"
