#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when missing, and
# 32-bit Wine (wine32, with the i386 architecture) for the 32-bit build. Where 32-bit Wine
# cannot be installed, it says so and the 64-bit side goes on without it. Then fetches the
# source of the resampler library, which Debian ships for no MinGW toolchain, into
# build/third_party (see tools/fetch-resampler.sh). sox is the benchmark's yardstick only.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
packages=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix cmake ninja-build googletest
          wine wine64 fonts-wine xvfb xauth x11-utils imagemagick xdotool strace dpkg-dev sox)
wine32=wine32:i386

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
need_wine32=0
[ "$(dpkg --print-architecture)" = amd64 ] && ! installed "$wine32" && need_wine32=1
if [ ${#missing[@]} -eq 0 ] && [ $need_wine32 = 0 ]; then
  exec "$root/tools/fetch-resampler.sh"
fi

export DEBIAN_FRONTEND=noninteractive
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
if [ $need_wine32 = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386 ||
    echo "Could not add the i386 architecture; 32-bit Wine will be missing." >&2
fi
# An i386 list that cannot be fetched must not stop the 64-bit packages.
"${sudo_cmd[@]}" apt-get update -q || echo "apt-get update reported errors; going on." >&2
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
if [ $need_wine32 = 1 ]; then
  echo "Installing: $wine32"
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "$wine32" ||
    echo "Could not install $wine32: the 32-bit build will not run here, the 64-bit one will." >&2
fi
exec "$root/tools/fetch-resampler.sh"
