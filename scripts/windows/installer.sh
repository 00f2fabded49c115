#!/usr/bin/env bash
# Builds the Windows installer BUILD_DIR/tarnwick-VERSION-setup.exe with NSIS
# from BUILD_DIR/Tarnwick.exe, BUILD_DIR/unrar.dll and the licence
# (BUILD_DIR/licence.txt; without one, our terms followed by the RAR library's
# licence). VERSION is the project's version in CMakeLists.txt. Installs
# makensis and ImageMagick (for the installer's icon) when missing.
#   installer.sh BUILD_DIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
[ $# -eq 1 ] || { echo "usage: installer.sh BUILD_DIR" >&2; exit 2; }
build="$(cd "$1" && pwd)"

missing=()
command -v makensis >/dev/null || missing+=(nsis)
command -v convert >/dev/null || missing+=(imagemagick)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "installer: installing ${missing[*]}" >&2
  DEBIAN_FRONTEND=noninteractive flock /tmp/apt.lock \
    $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
fi

version="$(sed -n 's/^project(Tarnwick VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
[ -n "$version" ] || { echo "installer: no project version in CMakeLists.txt" >&2; exit 1; }
for f in Tarnwick.exe unrar.dll; do
  [ -f "$build/$f" ] || { echo "installer: $build/$f is missing" >&2; exit 1; }
done

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
cp "$build/Tarnwick.exe" "$build/unrar.dll" "$stage/"
if [ -f "$build/licence.txt" ]; then
  cp "$build/licence.txt" "$stage/licence.txt"
else
  unrar_licence=/usr/share/doc/unrar/license.txt
  [ -f "$unrar_licence" ] || { echo "installer: no licence.txt in $build and no $unrar_licence" >&2; exit 1; }
  # The licence page and the installed file are read with Notepad: CR LF.
  {
    echo "Tarnwick $version"
    echo
    # The stand-alone "License: Tarnwick" paragraph of the Debian copyright file.
    awk -v RS= '/^License: Tarnwick\n/' "$root/packaging/copyright" | sed '1d;s/^ //;s/^\.$//'
    echo
    echo "Tarnwick loads unrar.dll, the RAR extraction library, built from the"
    echo "UnRAR source of Alexander Roshal, which comes with this licence:"
    echo
    tr -d '\r' <"$unrar_licence"
  } | sed 's/$/\r/' >"$stage/licence.txt"
fi
# The installer's icon and the picture of its welcome and finish pages.
icons=()
for size in 16 24 32 48 64 256; do icons+=("$root/resources/icons/tarnwick_$size.png"); done
convert "${icons[@]}" "$stage/tarnwick.ico"
convert -size 164x314 gradient:'#fbfaf7-#e4dccb' "$root/resources/icons/tarnwick_128.png" \
  -gravity north -geometry +0+56 -composite BMP3:"$stage/welcome.bmp"

out="$build/tarnwick-$version-setup.exe"
# -WX: a warning fails the build.
makensis -V2 -WX -DVERSION="$version" -DPAYLOAD="$stage" -DARTWORK="$stage" \
  -DOUTFILE="$out" "$root/packaging/windows/tarnwick.nsi"
echo "$out"
