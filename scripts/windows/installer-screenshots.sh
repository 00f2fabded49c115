#!/usr/bin/env bash
# Pictures of the Windows installer for docs/windows/: its language page and
# its finish page, in German (the language Wine takes from LC_ALL, which the
# language page preselects), run under Wine in a throw-away prefix on Xvfb
# with openbox. About a minute.
#   installer-screenshots.sh BUILD_DIR   (BUILD_DIR holds tarnwick-VERSION-setup.exe)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
docs="$here/../../docs/windows"
setup="$(ls "$(cd "$1" && pwd)"/tarnwick-*-setup.exe | head -n 1)"
work="$(mktemp -d)"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
Xvfb -displayfd 3 -screen 0 1024x768x24 3>"$work/display" 2>/dev/null &
xvfb=$!
trap 'wineserver -k 2>/dev/null || true; kill "$xvfb"; rm -rf "$work"' EXIT
while [ ! -s "$work/display" ]; do sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
openbox >/dev/null 2>&1 &
wineboot -i >/dev/null 2>&1
wineserver -w

# The window named $1, its frame included, into docs/windows/$2.
shoot() {
  local id
  id="$(timeout 60 xdotool search --sync --name "$1" | head -n 1)"
  sleep 1
  import -frame -window "$id" "$docs/$2"
}
mkdir -p "$docs"
LC_ALL=de_DE.UTF-8 wine "$setup" >/dev/null 2>&1 &
shoot "Tarnwick .* Setup" installer-language.png
# OK, then Next on the welcome page, accept the licence, Next on the scope
# page (all users), Install on the folder page.
for _ in 1 2 3 4 5; do
  xdotool key Return
  sleep 1.5
done
timeout 60 bash -c 'until [ -f "$WINEPREFIX/drive_c/Program Files/Tarnwick/uninstall.exe" ]; do sleep 0.5; done'
sleep 2
shoot "Tarnwick" installer-finished.png
echo "$docs/installer-language.png $docs/installer-finished.png"
