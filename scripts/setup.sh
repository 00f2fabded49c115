#!/usr/bin/env bash
# Installs what a Debian 12 machine lacks to build Tarnwick (and, with --test, to
# test it; with --screenshots, to make the README's pictures; with --fuzz, to
# fuzz it). Quick when everything is already there: it asks dpkg first and only
# touches apt when a package is missing.
set -euo pipefail

# The windows are laid out for DejaVu Sans and its condensed cut (stand-ins
# for Tahoma and MS Sans Serif).
want=(cmake make gcc g++ qt6-base-dev libjpeg-dev libxcb1-dev libunrar5 fonts-dejavu-core fonts-dejavu-extra)
# --fuzz: the test tools and clang with libFuzzer, for scripts/fuzz.sh.
if [ "${1:-}" = "--fuzz" ]; then
  want+=(clang libclang-rt-14-dev)
fi
if [ "${1:-}" = "--test" ] || [ "${1:-}" = "--screenshots" ] || [ "${1:-}" = "--fuzz" ]; then
  want+=(rar unrar libunrar-headers xvfb xdotool libgtest-dev)
  # The desktop test: entry and metainfo validators, the MIME database and the
  # two launchers a desktop opens files with (gio, and xdg-open, which outside a
  # known desktop asks `file` for the type).
  want+=(desktop-file-utils appstream shared-mime-info xdg-utils libglib2.0-bin file)
  # The task-bar progress test: a private session bus and a listener on it.
  want+=(dbus-daemon dbus-bin)
  # The package check of the README's Install section.
  want+=(lintian)
fi
# scripts/screenshots.sh: a window manager, a compositor and ImageMagick.
[ "${1:-}" != "--screenshots" ] || want+=(openbox xcompmgr imagemagick)

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi

# libunrar5, rar and unrar live in Debian's non-free component.
# Lines that already name it are left alone; "non-free-firmware" is another
# component, so the word must stand alone.
add_non_free() {
  local deb822=/etc/apt/sources.list.d/debian.sources one_line=/etc/apt/sources.list
  local lacking='[[:space:]]non-free([[:space:]]|$)'
  if [ -f "$deb822" ]; then
    $sudo sed -i -E "/^Components:/{/$lacking/!s/[[:space:]]*\$/ non-free/}" "$deb822"
  elif [ -f "$one_line" ]; then
    $sudo sed -i -E "/^deb .*debian/{/$lacking/!s/[[:space:]]*\$/ non-free/}" "$one_line"
  fi
}
add_non_free

echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q >&2
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
