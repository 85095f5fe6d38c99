#!/usr/bin/env bash
# The release command: builds the 32-bit and the 64-bit program as Release (stripped, no
# tests) and puts Veltrino-1.0-win32.zip and Veltrino-1.0-win64.zip into build/release.
# Each holds the program, rwvtool.exe, ReadMe.txt and SHA256SUMS.txt.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/release
"$root/tools/install-deps.sh"
mkdir -p "$out"
for arch in i686 x86_64; do
  dir=$out/$arch
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXE_LINKER_FLAGS=-s -DVORLAN_TESTS=OFF >/dev/null
  cmake --build "$dir" --target release_zip
  cp "$dir"/Veltrino-*.zip "$out/"
done
echo "Release zips in $out:"
ls -l "$out"/*.zip
