#!/usr/bin/env bash
# Sourced by the scripts that start the program and wait for its window.
# vorlan_wait_for_window TITLE: prints the id of the first X window titled exactly TITLE,
# waiting up to 30 s for it to appear; fails when none does.
vorlan_wait_for_window() {
  local window
  for _ in $(seq 300); do
    window=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && { echo "$window"; return 0; }
    sleep 0.1
  done
  return 1
}
