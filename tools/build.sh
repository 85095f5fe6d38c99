#!/usr/bin/env bash
# Configures and builds one architecture: tools/build.sh i686|x86_64 [build-dir [targets...]]
# (every target when none is named). VORLAN_WERROR=ON|OFF in the environment sets whether
# warnings are errors; left unset, the build folder keeps its setting (OFF when new).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=$1
case $arch in
  i686) dir=${2:-$root/build/win32} ;;
  x86_64) dir=${2:-$root/build/win64} ;;
  *) echo "usage: $0 i686|x86_64 [build-dir]" >&2; exit 2 ;;
esac
options=()
[ -n "${VORLAN_WERROR:-}" ] && options+=(-DVORLAN_WERROR="$VORLAN_WERROR")
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" "${options[@]}" >/dev/null
shift $(($# < 2 ? $# : 2))
cmake --build "$dir" ${1:+--target "$@"}
