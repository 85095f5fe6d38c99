#!/usr/bin/env bash
# Runs the benchmarks of both builds under Wine (the file work of the three operations, and
# rwvtool's verify, extract and compact) and prints the figures of each with its ratio to the
# copy limit, then the two builds side by side:
#   tools/bench.sh   (builds the benchmarks in build/win64 and build/win32 first)
# The 32-bit build, the one users run, runs where this machine executes 32-bit code; where it
# cannot, one line says so. Each run writes a few GB into a temporary folder and removes it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
benchmarks=(bench_file_work bench_rwvtool)
for arch in x86_64 i686; do
  dir=$root/build/win64; [ $arch = i686 ] && dir=$root/build/win32
  [ -f "$dir/build.ninja" ] || "$root/tools/build.sh" $arch "$dir" exec_probe >/dev/null
  cmake --build "$dir" --target "${benchmarks[@]}" exec_probe >/dev/null
done
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
source "$root/tools/wine-session.sh"

figures64=$(mktemp /tmp/vorlan-bench64.XXXXXX)
figures32=$(mktemp /tmp/vorlan-bench32.XXXXXX)
trap 'rm -f "$figures64" "$figures32"; vorlan_stop_session' EXIT

# run_benchmarks LOADER BUILD-DIR OUT: every benchmark of one build, its figures into OUT.
run_benchmarks() {
  for b in "${benchmarks[@]}"; do
    "$1" "$2/bench/$b.exe" >>"$3" 2>&1 </dev/null || true
  done
  cat "$3"
}

run_benchmarks /usr/lib/wine/wine64 "$root/build/win64" "$figures64"
if ! vorlan_runs_32bit "$root/build/win32/exec_probe.exe"; then
  echo "32-bit benchmark not run: this machine cannot execute 32-bit code ($vorlan_no_32bit_reason)"
  exit 0
fi
run_benchmarks /usr/bin/wine "$root/build/win32" "$figures32"

echo
printf '%-52s %18s %18s\n' "Side by side: seconds and ratio to the copy limit" "64-bit" "32-bit"
# Figure lines: a 52-column label, the seconds, ..., "ratio" and its value.
paste -d '\n' <(grep ' ratio ' "$figures64") <(grep ' ratio ' "$figures32") |
  awk '{ label = substr($0, 1, 52); split(substr($0, 53), f); cell = sprintf("%8s s %7s", f[1], f[8]) }
       NR % 2 == 1 { left = cell; next }
       { printf "%-52s %18s %18s\n", label, left, cell }'
# The line of Insert against a backup copy ends in its speed-up.
speed_up() { grep '^Insert Package against copying the bank first' "$1" | sed 's/.*speed-up /speed-up /'; }
printf '%-52s %18s %18s\n' "Insert Package against copying the bank first" "$(speed_up "$figures64")" \
  "$(speed_up "$figures32")"
