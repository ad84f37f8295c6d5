#!/usr/bin/env bash
# Times tarvo-xls2html against LibreOffice's headless HTML export of the same price list (ROWS
# goods written by xlwt, 60,000 unless set): RUNS runs of each (3 unless set), interleaved,
# then both medians, their ratio and our peak resident memory. Installs python3-xlwt and
# LibreOffice Calc from Debian when they are missing. Not part of ./test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

rows=${ROWS:-60000}
runs=${RUNS:-3}
build=${BENCH_BUILD_DIR:-build-bench}

missing=()
/usr/bin/python3 -c 'import xlwt' 2>/dev/null || missing+=(python3-xlwt)
command -v soffice >/dev/null 2>&1 || missing+=(libreoffice-calc-nogui)
[ -x /usr/bin/time ] || missing+=(time)
if [ ${#missing[@]} -gt 0 ]; then
  echo "bench: installing ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then as_root=(); else as_root=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${as_root[@]}" apt-get update -q
  "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVO_WITH_UI=OFF >/dev/null
cmake --build "$build" -j 2 --target tarvo-xls2html
tool="$build/tools/tarvo-xls2html"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 bench/make_pricelist.py "$work/pricelist.xls" "$rows"
echo "bench: $(stat -c %s "$work/pricelist.xls") bytes, $rows goods"
mkdir -p "$work/lo"
lo=(soffice "-env:UserInstallation=file://$work/lo-profile" --headless --convert-to html
    --outdir "$work/lo" "$work/pricelist.xls")
# The first start of LibreOffice builds its user profile; that start is not timed.
"${lo[@]}" >/dev/null 2>&1

# seconds RESULT-VAR COMMAND...: wall-clock seconds of one run of COMMAND.
seconds() {
  local -n result=$1
  shift
  local start=$EPOCHREALTIME
  "$@"
  result=$(awk -v a="$EPOCHREALTIME" -v b="$start" 'BEGIN { print a - b }')
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

ours=() theirs=() peak_kib=0
for ((i = 1; i <= runs; ++i)); do
  seconds t /usr/bin/time -v -o "$work/time.txt" "$tool" "$work/pricelist.xls" "$work/ours.html"
  ours+=("$t")
  kib=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt")
  ((kib > peak_kib)) && peak_kib=$kib
  rm -f "$work/lo/pricelist.html"
  seconds t "${lo[@]}" >/dev/null 2>&1
  [ -s "$work/lo/pricelist.html" ] || { echo "bench: LibreOffice wrote no HTML" >&2; exit 1; }
  theirs+=("$t")
  printf 'run %d: tarvo-xls2html %.3f s, LibreOffice %.3f s\n' "$i" "${ours[-1]}" "$t"
done

m_ours=$(median "${ours[@]}")
m_theirs=$(median "${theirs[@]}")
printf 'tarvo-xls2html median: %.3f s (%s bytes of HTML)\n' "$m_ours" "$(stat -c %s "$work/ours.html")"
printf 'LibreOffice median:    %.3f s\n' "$m_theirs"
printf 'ratio:                 %.1f times faster\n' "$(awk -v a="$m_theirs" -v b="$m_ours" 'BEGIN { print a / b }')"
printf 'tarvo-xls2html peak resident memory: %.1f MiB\n' "$(awk -v k="$peak_kib" 'BEGIN { print k / 1024 }')"
