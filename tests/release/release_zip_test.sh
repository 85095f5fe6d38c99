#!/usr/bin/env bash
# Unpacks a release zip and checks what a Windows user gets: the files with matching
# checksums, the resampler's licence, a read-me with Windows line ends, a program that carries its version resource
# and manifest, and that starts, shows its main window and closes again.
# release_zip_test.sh ZIP WINE-RUN OBJDUMP
set -euo pipefail
source "$(dirname "$0")/../../tools/find-window.sh"
zip=$1 run=$2 objdump=$3
title="Vorlan - Veltrino v1.0"
fail() { echo "$(basename "$zip"): $*" >&2; exit 1; }
dir=$(mktemp -d /tmp/vorlan-release.XXXXXX)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
cmake -E tar xf "$zip"

[ -f Veltrino.exe ] && [ -f rwvtool.exe ] && [ -f ReadMe.txt ] || fail "lacks Veltrino.exe, rwvtool.exe or ReadMe.txt: $(ls)"
grep -q 'Redistributions in binary form' ThirdPartyNotices.txt || fail "lacks the resampler's licence"
sha256sum --quiet -c SHA256SUMS.txt || fail "checksums do not match"
[ "$(tr -d '\r' <SHA256SUMS.txt | cut -d' ' -f3 | sort)" = "$(ls | grep -vx SHA256SUMS.txt | sort)" ] ||
  fail "SHA256SUMS.txt does not list every other file"
[ "$(grep -c $'\r$' ReadMe.txt)" = "$(wc -l <ReadMe.txt)" ] || fail "ReadMe.txt has lines without CR LF"
resource_types=$("$objdump" -p Veltrino.exe | sed -n '/Resource Directory section/,$p' | grep '^[0-9a-f]*   Entry: ID:')
grep -q 'ID: 0x000010,' <<<"$resource_types" || fail "Veltrino.exe has no version resource"
grep -q 'ID: 0x000018,' <<<"$resource_types" || fail "Veltrino.exe has no manifest"

"$run" Veltrino.exe >run.log 2>&1 &
program=$!
vorlan_wait_for_window "$title" >/dev/null || { kill "$program"; fail "the main window did not appear"; }
# Closed the way Windows asks a program to close: WM_CLOSE to its window.
"$run" taskkill /im Veltrino.exe >/dev/null 2>&1 || true
for _ in $(seq 100); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$program" 2>/dev/null && { kill "$program"; fail "the program did not close"; }
wait "$program" || fail "the program ended with status $?"
