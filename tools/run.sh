#!/usr/bin/env bash
# The run command: installs what is missing, builds, lays out a demo folder and starts the
# program on it under Wine: the 32-bit program (the one Windows users get) where this machine
# executes 32-bit code, else the 64-bit one; it says which. On a display ($DISPLAY set) the
# window appears there; with no display the program runs under Xvfb, a screenshot of it is
# saved and its path printed, and the program is closed again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win64
demo=$root/build/demo
shot=$root/build/veltrino-window.png
title="Vorlan - Veltrino v1.0"
desktop=640x400

"$root/tools/install-deps.sh"
"$root/tools/build.sh" i686 "$root/build/win32" Veltrino exec_probe
"$root/tools/build.sh" x86_64 "$build" Veltrino make_demo

if [ -n "${DISPLAY:-}" ]; then
  export VORLAN_KEEP_DISPLAY=1
  headless=0
else
  headless=1
fi
export WINEPREFIX=$root/build/wineprefix
source "$root/tools/wine-session.sh"
# wine64 hands a 32-bit program to the 32-bit loader itself.
wine=/usr/lib/wine/wine64
if vorlan_runs_32bit "$root/build/win32/exec_probe.exe"; then
  program=$root/build/win32/Veltrino.exe
  echo "Starting the 32-bit program, $program."
else
  program=$build/Veltrino.exe
  echo "Starting the 64-bit program, $program: this machine cannot execute 32-bit code ($vorlan_no_32bit_reason)."
fi

# A fresh demo each run: the operations change the bank in place.
rm -rf "$demo"
mkdir -p "$demo"
(cd "$demo" && "$wine" "$build/tools/make_demo.exe" "$("$wine" winepath -w "$demo")" >"$build/make_demo.log" 2>&1) ||
  { echo "The demo generator failed; see $build/make_demo.log" >&2; exit 1; }

cd "$demo"
if [ "$headless" = 0 ]; then
  echo "Veltrino runs on $DISPLAY with $demo as its current folder; close its window to end."
  "$wine" "$program" >"$build/veltrino-run.log" 2>&1
  exit 0
fi

# No window manager under Xvfb: a Wine virtual desktop draws the caption and the frame.
"$wine" explorer /desktop=Veltrino,$desktop "$program" >"$build/veltrino-run.log" 2>&1 &
session=$!
source "$root/tools/find-window.sh"
if ! window=$(vorlan_wait_for_window "$title"); then
  echo "The main window did not appear; see $build/veltrino-run.log" >&2
  kill "$session" 2>/dev/null || true
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
