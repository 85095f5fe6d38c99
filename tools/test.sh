#!/usr/bin/env bash
# The test command: installs what is missing, builds both architectures with warnings as
# errors and runs every test of both under Wine and Xvfb, in one prefix: the 64-bit tests
# always, the 32-bit ones where this machine executes 32-bit code (where it cannot, it says
# so in one line). Arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
export VORLAN_WERROR=ON
"$root/tools/build.sh" i686
"$root/tools/build.sh" x86_64
export WINEPREFIX=$root/build/wineprefix
source "$root/tools/wine-session.sh"

builds=(win64)
if vorlan_runs_32bit "$root/build/win32/exec_probe.exe"; then
  builds=(win32 win64)
else
  echo "32-bit tests not run: this machine cannot execute 32-bit code ($vorlan_no_32bit_reason)"
fi
status=0
for build in "${builds[@]}"; do
  echo "Tests of build/$build:"
  start=$SECONDS
  ctest --test-dir "$root/build/$build" --output-on-failure "$@" || status=1
  echo "Tests of build/$build took $((SECONDS - start)) s."
done
exit $status
