#!/usr/bin/env bash
# Runs the file-work benchmark of both builds under Wine and prints the figures of each with
# its ratio to the copy limit, then the two side by side:
#   tools/bench.sh   (builds the benchmark in build/win64 and build/win32 first)
# The 32-bit build, the one users run, runs where this machine executes 32-bit code; where it
# cannot, one line says so. Each run writes about 2 GB into a temporary folder and removes it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win64=$root/build/win64
win32=$root/build/win32
[ -f "$win64/build.ninja" ] || "$root/tools/build.sh" x86_64 "$win64" bench_file_work >/dev/null
[ -f "$win32/build.ninja" ] || "$root/tools/build.sh" i686 "$win32" bench_file_work >/dev/null
cmake --build "$win64" --target bench_file_work >/dev/null
cmake --build "$win32" --target bench_file_work >/dev/null
export WINEPREFIX=${WINEPREFIX:-$win64/wineprefix}
source "$root/tools/wine-session.sh"

figures64=$(mktemp /tmp/vorlan-bench64.XXXXXX)
figures32=$(mktemp /tmp/vorlan-bench32.XXXXXX)
trap 'rm -f "$figures64" "$figures32"; vorlan_stop_session' EXIT

/usr/lib/wine/wine64 "$win64/bench/bench_file_work.exe" >"$figures64" 2>&1 </dev/null || true
cat "$figures64"
# The 32-bit loader runs the prefix's 32-bit command interpreter only where the kernel
# executes 32-bit code.
if [ -x /usr/lib/wine/wine ] &&
   /usr/bin/wine 'C:\windows\syswow64\cmd.exe' /c exit >/dev/null 2>&1 </dev/null; then
  /usr/bin/wine "$win32/bench/bench_file_work.exe" >"$figures32" 2>&1 </dev/null || true
  cat "$figures32"
else
  echo "32-bit benchmark not run: this machine cannot execute 32-bit code"
  exit 0
fi

echo
printf '%-52s %18s %18s\n' "Side by side: seconds and ratio to the copy limit" "64-bit" "32-bit"
# Figure lines: a 52-column label, the seconds, ..., "ratio" and its value.
paste -d '\n' <(grep ' ratio ' "$figures64") <(grep ' ratio ' "$figures32") |
  awk '{ label = substr($0, 1, 52); split(substr($0, 53), f); cell = sprintf("%8s s %7s", f[1], f[8]) }
       NR % 2 == 1 { left = cell; next }
       { printf "%-52s %18s %18s\n", label, left, cell }'
