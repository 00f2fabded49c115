#!/usr/bin/env bash
# Builds Qt 6 statically for MinGW from Debian's qt6-base source into a cache
# outside the tree, once per machine: about 1,000 compile units. It is built
# again only when its inputs change (the source version, the features, the
# toolchain file). Prints the install prefix on standard output.
#   qt.sh CACHE_DIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cache="$1"
mkdir -p "$cache"
prefix="$cache/qt6-mingw"

# Only the modules and features the program uses. Debian's tarball lacks
# wintab (no tablet events); the windows plugin needs OpenGL left on.
features=(
  -DFEATURE_tabletevent=OFF -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_testlib=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_doubleconversion=OFF
)
version="$(apt-cache showsrc qt6-base 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -n 1)"
[ -n "$version" ] || { echo "qt.sh: no qt6-base source package known to apt" >&2; exit 1; }
key="$(printf '%s\n' "$version" "${features[*]}" | cat - "$here/toolchain.cmake" | sha256sum | cut -c1-16)"
if [ -f "$prefix/.key" ] && [ "$(cat "$prefix/.key")" = "$key" ]; then
  echo "$prefix"
  exit 0
fi

echo "windows: building Qt $version for MinGW into $prefix (tens of minutes, once)" >&2
src="$cache/qt-src"
rm -rf "$src" "$cache/qt-build" "$prefix"
mkdir -p "$src"
(cd "$src" && apt-get source --download-only qt6-base >&2)
tar -xf "$src"/qt6-base_*.orig.tar.* -C "$src"
tree="$(find "$src" -maxdepth 1 -type d -name 'qtbase-everywhere-src-*' | head -n 1)"
# Qt's own toolchain file names the one it was built with: keep that beside it.
cp "$here/toolchain.cmake" "$cache/toolchain.cmake"
cmake -S "$tree" -B "$cache/qt-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$cache/toolchain.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DBUILD_SHARED_LIBS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${features[@]}" >&2
ninja -C "$cache/qt-build" >&2
cmake --install "$cache/qt-build" >&2
rm -rf "$cache/qt-build" "$src"
echo "$key" >"$prefix/.key"
echo "$prefix"
