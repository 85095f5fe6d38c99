#!/usr/bin/env bash
# The run command: installs what is missing, builds, lays out a demo folder and starts the
# program on it under Wine. On a display ($DISPLAY set) the window appears there; with no
# display the program runs under Xvfb, a screenshot of it is saved and its path printed,
# and the program is closed again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win64
demo=$root/build/demo
shot=$root/build/veltrino-window.png
title="Vorlan - Veltrino v1.0"
desktop=640x400

"$root/tools/install-deps.sh"
# The program for both: 32-bit is what a Windows user runs, 64-bit is what runs here.
"$root/tools/build.sh" i686 "$root/build/win32" Veltrino
"$root/tools/build.sh" x86_64 "$build" Veltrino make_demo

if [ -n "${DISPLAY:-}" ]; then
  export VORLAN_KEEP_DISPLAY=1
  headless=0
else
  headless=1
fi
export WINEPREFIX=$build/wineprefix
source "$root/tools/wine-session.sh"
wine=/usr/lib/wine/wine64

# A fresh demo each run: the operations change the bank in place.
rm -rf "$demo"
mkdir -p "$demo"
(cd "$demo" && "$wine" "$build/tools/make_demo.exe" "$(winepath -w "$demo")" >"$build/make_demo.log" 2>&1) ||
  { echo "The demo generator failed; see $build/make_demo.log" >&2; exit 1; }

cd "$demo"
if [ "$headless" = 0 ]; then
  echo "Veltrino runs on $DISPLAY with $demo as its current folder; close its window to end."
  "$wine" "$build/Veltrino.exe" >"$build/veltrino-run.log" 2>&1
  exit 0
fi

# No window manager under Xvfb: a Wine virtual desktop draws the caption and the frame.
"$wine" explorer /desktop=Veltrino,$desktop "$build/Veltrino.exe" >"$build/veltrino-run.log" 2>&1 &
program=$!
window=
for _ in $(seq 300); do
  window=$(xdotool search --name "^$title\$" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "The main window did not appear; see $build/veltrino-run.log" >&2
  kill "$program" 2>/dev/null || true
  exit 1
fi
sleep 1.5  # let the dialog paint and the emblem run a few steps
import -window root -crop "$desktop+0+0" +repage "$shot"
echo "Screenshot of the main window: $shot"
# Ended the way a user ends it: the close command, through Alt+F4 on the focused window.
xdotool windowfocus --sync "$window" >/dev/null 2>&1 || true
xdotool key alt+F4 >/dev/null 2>&1 || true
for _ in $(seq 100); do
  xdotool search --name "^$title\$" >/dev/null 2>&1 || { echo "Veltrino closed."; exit 0; }
  sleep 0.1
done
echo "Veltrino did not close; it ends with the Wine session." >&2
exit 1
