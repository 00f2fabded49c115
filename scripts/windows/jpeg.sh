#!/usr/bin/env bash
# Builds libjpeg (libjpeg-turbo, the library Linux's libjpeg-dev installs) as a
# static MinGW library from Debian's source into a cache outside the tree,
# once per source version. Prints the install prefix on standard output.
#   jpeg.sh CACHE_DIR TOOLCHAIN_FILE
set -euo pipefail
cache="$1"
toolchain="$2"
prefix="$cache/jpeg"
version="$(apt-cache showsrc libjpeg-turbo 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -n 1)"
[ -n "$version" ] || { echo "jpeg.sh: no libjpeg-turbo source package known to apt" >&2; exit 1; }
key="$(printf '%s\n' "$version" | cat - "$0" "$toolchain" | sha256sum | cut -c1-16)"
if [ -f "$prefix/.key" ] && [ "$(cat "$prefix/.key")" = "$key" ]; then
  echo "$prefix"
  exit 0
fi

echo "windows: building libjpeg $version for MinGW (a minute, once)" >&2
src="$cache/jpeg-src"
rm -rf "$src" "$prefix"
mkdir -p "$src"
(cd "$src" && apt-get source libjpeg-turbo >/dev/null 2>&1) ||
  { echo "jpeg.sh: apt-get source libjpeg-turbo failed (is a deb-src entry there?)" >&2; exit 1; }
tree="$(find "$src" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)"
# The plain C code: the SIMD parts want nasm, and the pictures are small.
cmake -S "$tree" -B "$src/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF \
  -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF >&2
ninja -C "$src/build" -j2 jpeg-static >&2
mkdir -p "$prefix/lib" "$prefix/include"
cp "$src/build/libjpeg.a" "$prefix/lib/"
cp "$tree/jpeglib.h" "$tree/jmorecfg.h" "$tree/jerror.h" "$src/build/jconfig.h" "$prefix/include/"
rm -rf "$src"
echo "$key" >"$prefix/.key"
echo "$prefix"
