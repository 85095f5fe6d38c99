#!/usr/bin/env bash
# Runs the file-work benchmark of a 64-bit build under Wine and prints its figures:
# tools/bench.sh [build-dir]   (default build/win64; builds the benchmark first)
# It writes about 2 GB into a temporary folder and removes it again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/win64}
[ -f "$build/build.ninja" ] || "$root/tools/build.sh" x86_64 "$build"
cmake --build "$build" --target bench_file_work >/dev/null
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
source "$root/tools/wine-session.sh"
out=$(mktemp /tmp/vorlan-bench.XXXXXX)
"$build/wine-run.sh" "$build/bench/bench_file_work.exe" >"$out" 2>&1 || true
cat "$out"
rm -f "$out"
