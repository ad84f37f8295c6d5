#!/usr/bin/env bash
# Times tarvo-xls2html against LibreOffice's headless HTML export of the same price list (ROWS
# goods written by xlwt, 60,000 unless set): RUNS runs of each (3 unless set), interleaved, then
# both medians (wall clock, and CPU time, which a busy machine disturbs less), their ratios and
# our peak resident memory. Installs python3-xlwt and LibreOffice Calc from Debian when they
# are missing. Not part of ./test.sh.
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

# timed RUN-LABEL COMMAND...: one run of COMMAND; appends its wall-clock seconds, its CPU seconds
# (user + system, children included) and its peak resident KiB to the arrays named by the label.
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

ours_wall=() ours_cpu=() ours_peak=() lo_wall=() lo_cpu=() lo_peak=()
for ((i = 1; i <= runs; ++i)); do
  timed ours "$tool" "$work/pricelist.xls" "$work/ours.html"
  rm -f "$work/lo/pricelist.html"
  timed lo "${lo[@]}" >/dev/null 2>&1
  [ -s "$work/lo/pricelist.html" ] || { echo "bench: LibreOffice wrote no HTML" >&2; exit 1; }
  printf 'run %d: tarvo-xls2html %.3f s (CPU %.2f s), LibreOffice %.3f s (CPU %.2f s)\n' "$i" \
    "${ours_wall[-1]}" "${ours_cpu[-1]}" "${lo_wall[-1]}" "${lo_cpu[-1]}"
done

m_ours=$(median "${ours_wall[@]}") m_lo=$(median "${lo_wall[@]}")
c_ours=$(median "${ours_cpu[@]}") c_lo=$(median "${lo_cpu[@]}")
peak_kib=$(printf '%s\n' "${ours_peak[@]}" | sort -g | tail -1)
printf 'tarvo-xls2html median: %.3f s wall, %.2f s CPU (%s bytes of HTML)\n' "$m_ours" "$c_ours" \
  "$(stat -c %s "$work/ours.html")"
printf 'LibreOffice median:    %.3f s wall, %.2f s CPU\n' "$m_lo" "$c_lo"
printf 'ratio:                 %s times faster (CPU time: %s)\n' "$(ratio "$m_lo" "$m_ours")" \
  "$(ratio "$c_lo" "$c_ours")"
printf 'tarvo-xls2html peak resident memory: %s MiB\n' "$(awk -v k="$peak_kib" 'BEGIN { printf "%.1f", k / 1024 }')"
