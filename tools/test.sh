#!/usr/bin/env bash
# The test command: installs what is missing, builds both architectures (the 32-bit
# program must build cleanly though it cannot run here) and runs every test of the
# 64-bit build under Wine and Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
"$root/tools/build.sh" i686
"$root/tools/build.sh" x86_64
export WINEPREFIX=$root/build/win64/wineprefix
source "$root/tools/wine-session.sh"
ctest --test-dir "$root/build/win64" --output-on-failure "$@"
