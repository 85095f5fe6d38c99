#!/usr/bin/env bash
# Sourced by the scripts that run Windows programs: starts an Xvfb display (unless one is
# given with VORLAN_KEEP_DISPLAY=1) and one persistent wineserver for the prefix, and
# stops both when the calling script exits. Where 32-bit Wine is installed, the prefix serves
# 32-bit and 64-bit programs alike. vorlan_runs_32bit tells whether this machine executes
# 32-bit code.
# Needs WINEPREFIX set by the caller.
export WINEDEBUG=${WINEDEBUG:--all}
vorlan_wine32=/usr/lib/wine/wine  # the 32-bit loader, from wine32

# vorlan_runs_32bit PROBE: succeeds when PROBE, the 32-bit build's exec_probe.exe, runs and
# reports 32-bit pointers; otherwise vorlan_no_32bit_reason says why not, in one line.
vorlan_no_32bit_reason=
vorlan_runs_32bit() {
  if [ ! -x "$vorlan_wine32" ]; then
    vorlan_no_32bit_reason="32-bit Wine is not installed: no $vorlan_wine32 (tools/install-deps.sh installs wine32)"
    return 1
  fi
  local out answer
  out=$(mktemp /tmp/vorlan-probe.XXXXXX)
  # Started by bash itself: where 32-bit code cannot run, it says "Exec format error".
  "$vorlan_wine32" "$1" >"$out" 2>&1 </dev/null || true
  answer=$(tr -d '\r' <"$out" | sed '/^$/d' | tail -n 1)
  answer=${answer#*line [0-9]*: }  # without the name and line of this script
  rm -f "$out"
  [ "$answer" = 32 ] && return 0
  vorlan_no_32bit_reason="a 32-bit Windows program did not run: ${answer:-no output}"
  return 1
}

vorlan_xvfb_pid=
vorlan_stop_session() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$vorlan_xvfb_pid" ] && kill "$vorlan_xvfb_pid" 2>/dev/null || true
}
trap vorlan_stop_session EXIT
if [ "${VORLAN_KEEP_DISPLAY:-0}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
  n=90
  while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
  Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  vorlan_xvfb_pid=$!
  export DISPLAY=:$n
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
fi
mkdir -p "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
fi
wineserver -p >/dev/null 2>&1 || true
# Start Wine's background services now, detached from our output: started by the first test
# instead, they would inherit ctest's pipe and keep it open after the test ends.
/usr/lib/wine/wine64 cmd /c exit >/dev/null 2>&1 </dev/null || true
# On our own Xvfb no window manager answers, and Wine then waits about two seconds for every
# managed window that closes: unmanaged windows make box-heavy tests many times faster. On
# the user's display windows stay managed, so they get the desktop's own frames.
vorlan_x11_key='HKCU\Software\Wine\X11 Driver'
if [ -n "$vorlan_xvfb_pid" ]; then
  /usr/lib/wine/wine64 reg add "$vorlan_x11_key" /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
else
  /usr/lib/wine/wine64 reg delete "$vorlan_x11_key" /v Managed /f >/dev/null 2>&1 </dev/null || true
fi
