#!/usr/bin/env bash
# Runs the benchmarks of both builds under Wine (the file work of the three operations, and
# rwvtool's verify, extract and compact) and prints the figures of each with its ratio to the
# copy limit, then the two builds side by side, then the Conversion section: rwvtool pack's
# wave conversion beside sox's very-high-quality rate converter, one line per figure:
#   tools/bench.sh   (builds the benchmarks in build/win64 and build/win32 first)
# The 32-bit build, the one users run, runs where this machine executes 32-bit code; where it
# cannot, one line says so. Each run writes a few GB into a temporary folder and removes it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
benchmarks=(bench_file_work bench_rwvtool)
for arch in x86_64 i686; do
  dir=$root/build/win64; [ $arch = i686 ] && dir=$root/build/win32
  [ -f "$dir/build.ninja" ] || "$root/tools/build.sh" $arch "$dir" exec_probe >/dev/null
  cmake --build "$dir" --target "${benchmarks[@]}" bench_conversion rwvtool exec_probe >/dev/null
done
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
source "$root/tools/wine-session.sh"

figures64=$(mktemp /tmp/vorlan-bench64.XXXXXX)
figures32=$(mktemp /tmp/vorlan-bench32.XXXXXX)
conversion64=$(mktemp /tmp/vorlan-conversion64.XXXXXX)
conversion32=$(mktemp /tmp/vorlan-conversion32.XXXXXX)
trap 'rm -f "$figures64" "$figures32" "$conversion64" "$conversion32"; vorlan_stop_session' EXIT

# run_benchmarks LOADER BUILD-DIR OUT: every benchmark of one build, its figures into OUT.
run_benchmarks() {
  for b in "${benchmarks[@]}"; do
    "$1" "$2/bench/$b.exe" >>"$3" 2>&1 </dev/null || true
  done
  cat "$3"
}

# best_seconds COMMAND...: the shortest of three runs, in seconds.
best_seconds() {
  local best=
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 </dev/null || true
    end=$(date +%s.%N)
    best=$(awk -v a="$start" -v b="$end" -v best="$best" 'BEGIN { t = b - a; if (best == "" || t < best) best = t; print best }')
  done
  echo "$best"
}

# conversion LOADER BUILD-DIR LABEL: the same sounds through rwvtool pack and through sox
# (mono by the mean, 22.05 kHz, 16 bits with its default dither), measured alike.
conversion() {
  local work win rwvtool_seconds sox_seconds
  work=$(mktemp -d /tmp/vorlan-conversion.XXXXXX)
  win="Z:${work//\//\\}\\"
  "$1" "$2/bench/bench_conversion.exe" make "$win" </dev/null
  for sound in thd alias pass; do
    sox -V1 "$work/waves/$sound.wav" -b 16 "$work/sox/$sound.wav" channels 1 rate -v 22050
  done
  "$1" "$2/rwvtool.exe" pack "${win}waves" "$win" >/dev/null 2>&1 </dev/null || true
  rwvtool_seconds=$(best_seconds "$1" "$2/rwvtool.exe" pack "${win}speed" "$win")
  sox_seconds=$(best_seconds sox -V1 "$work/speed/speed.wav" -b 16 "$work/sox/speed.wav" channels 1 rate -v 22050)
  "$1" "$2/bench/bench_conversion.exe" measure "$win" "$3" "$rwvtool_seconds" "$sox_seconds" </dev/null || true
  rm -rf "$work"
}

run_benchmarks /usr/lib/wine/wine64 "$root/build/win64" "$figures64"
conversion /usr/lib/wine/wine64 "$root/build/win64" 64-bit >"$conversion64"
if ! vorlan_runs_32bit "$root/build/win32/exec_probe.exe"; then
  echo "32-bit benchmark not run: this machine cannot execute 32-bit code ($vorlan_no_32bit_reason)"
  echo
  cat "$conversion64"
  exit 0
fi
run_benchmarks /usr/bin/wine "$root/build/win32" "$figures32"
conversion /usr/bin/wine "$root/build/win32" 32-bit >"$conversion32"

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
echo
cat "$conversion64" "$conversion32"
