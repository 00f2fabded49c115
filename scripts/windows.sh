#!/usr/bin/env bash
# Cross-builds the Windows program on Debian 12 from Debian's own packages:
# build-windows/Tarnwick.exe (x86-64, Qt and the C++ run-time linked in) with
# unrar.dll beside it, and the Windows tests. Installs what is missing first;
# Qt, unrar.dll and libjpeg are built once per machine into
# ${XDG_CACHE_HOME:-~/.cache}/tarnwick-windows/ (Qt: tens of minutes).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tree="$(cd "$here/.." && pwd)"

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "windows: need root or sudo to install packages" >&2; exit 1; }
  sudo="sudo"
fi

# The compilers, Qt's host tools (moc, rcc, uic and their CMake files), the
# tools that unpack Debian source packages, GoogleTest's source, and Wine with
# Xvfb (and xdotool, which types into Windows' own file dialog) for the tests.
want=(cmake ninja-build g++-mingw-w64-x86-64-posix mingw-w64-tools qt6-base-dev
  qt6-base-dev-tools dpkg-dev googletest wine wine64 xvfb xauth xdotool rar)
missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

# The sources of qt6-base, unrar-nonfree and libjpeg-turbo come from a deb-src
# entry for bookworm's main and non-free components.
if ! apt-cache showsrc unrar-nonfree 2>/dev/null | grep -q '^Version:' ||
  ! apt-cache showsrc qt6-base 2>/dev/null | grep -q '^Version:'; then
  echo "windows: adding a deb-src entry for Debian's main and non-free sources" >&2
  $sudo tee /etc/apt/sources.list.d/tarnwick-src.sources >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main non-free
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  $sudo apt-get update -q >&2
fi
if [ ${#missing[@]} -gt 0 ]; then
  # rar comes from non-free, as for the Linux tests.
  "$here/setup.sh" --test
  echo "windows: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
fi

home="${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}"
cache="${XDG_CACHE_HOME:-$home/.cache}/tarnwick-windows"
toolchain="$here/windows/toolchain.cmake"
qt="$("$here/windows/qt.sh" "$cache")"
unrar="$("$here/windows/unrar.sh" "$cache")"
jpeg="$("$here/windows/jpeg.sh" "$cache" "$toolchain")"

build="$tree/build-windows"
jobs="${TARNWICK_JOBS:-2}"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
if [ ! -f "$build/CMakeCache.txt" ]; then
  "$qt/bin/qt-cmake" -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DJPEG_LIBRARY="$jpeg/lib/libjpeg.a" -DJPEG_INCLUDE_DIR="$jpeg/include" \
    "${launcher[@]}" >&2
fi
# The library's header, for the core tests' check of our records against it.
mkdir -p "$build/include/unrar"
cmp -s "$(dirname "$unrar")/dll.hpp" "$build/include/unrar/dll.hpp" ||
  cp "$(dirname "$unrar")/dll.hpp" "$build/include/unrar/dll.hpp"
ninja -C "$build" -j"$jobs" tarnwick windows_tests core_tests crash_run unrar_loop >&2
# The library lies beside each program that loads it.
for dir in "$build" "$build/tests/windows"; do cp "$unrar" "$dir/unrar.dll"; done
x86_64-w64-mingw32-strip "$build/Tarnwick.exe"
file "$build/Tarnwick.exe" "$build/unrar.dll" >&2

# The installer, when the packaging for it is there.
if [ -x "$here/windows/installer.sh" ]; then
  "$here/windows/installer.sh" "$build"
fi
