#!/usr/bin/env bash
# Fetches the source of speexdsp, whose resampler Create Package converts rates with, from
# Debian's source package into build/third_party/speexdsp, once: Debian builds it for no
# MinGW toolchain, so CMake compiles its resampler for each. A deb-src list of our own leaves
# the machine's lists alone; apt-get checks the files against the signed .dsc.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
third_party=$root/build/third_party
target=$third_party/speexdsp
package=speexdsp
suite=bookworm
[ -f "$target/libspeexdsp/resample.c" ] && exit 0

work=$third_party/apt
mkdir -p "$work/lists/partial" "$work/download"
uri=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
uri=${uri:-http://deb.debian.org/debian}
echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri $suite main" >"$work/src.list"
apt_options=(-o Dir::Etc::SourceList="$work/src.list" -o Dir::Etc::SourceParts=/dev/null
             -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache" -q)
mkdir -p "$work/cache/archives/partial"
echo "Fetching the source of $package from Debian ($suite)"
apt-get "${apt_options[@]}" update
(cd "$work/download" && apt-get "${apt_options[@]}" source --download-only "$package")
# The tarball itself, not its signature, nor another package's fetched into the same folder.
orig=$(ls "$work/download/${package}_"*.orig.tar.* | grep -v '\.asc$' | head -n 1)
rm -rf "$target.tmp"
mkdir -p "$target.tmp"
tar -xf "$orig" -C "$target.tmp" --strip-components=1
mv "$target.tmp" "$target"
echo "speexdsp source in $target"
