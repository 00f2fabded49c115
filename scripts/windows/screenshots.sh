#!/usr/bin/env bash
# Pictures of Tarnwick.exe under Wine, kept in docs/windows/:
#   main-window.png  the main window on Wine's desktop, Windows-style frame
#   progress.png     the shaped progress window part way through an archive
#   screenshots.sh [BUILD_DIR]   (default build-windows/, from scripts/windows.sh)
# Needs Xvfb, ImageMagick and rar.
set -euo pipefail
cd "$(dirname "$0")/../.."
root="$PWD"
build="$(cd "${1:-build-windows}" && pwd)"
export WINEPREFIX="$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
work=/tmp/tarnwick-wine-screenshots
pids=()
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
rm -rf "$work"
mkdir -p "$work/Holiday photos" "$root/docs/windows"
win() { printf 'Z:%s' "${1//\//\\}"; }

exec 3>"$work/display"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 >/dev/null 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$work/display")"
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
settings="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Ostrel/Tarnwick"
rm -rf "$settings"
mkdir -p "$settings"

# Wine's own desktop draws the frames as Windows does.
wine explorer /desktop=Tarnwick,1024x768 "$build/Tarnwick.exe" &
pids+=($!)
sleep 12
import -window root "$work/main.png"
wineserver -k 2>/dev/null || true
wait "${pids[-1]}" 2>/dev/null || true
unset 'pids[-1]'

# An archive large enough to catch the run part way; pictures are taken
# every half second while it runs, and the fullest one is kept.
for i in 1 2 3; do head -c 400000000 /dev/urandom >"$work/Holiday photos/beach$i.jpg"; done
(cd "$work/Holiday photos" && rar a -idq -m0 "$work/Holiday photos.rar" . >/dev/null)
rm -rf "$work/Holiday photos"
wine explorer /desktop=Tarnwick,1024x768 "$build/Tarnwick.exe" "$(win "$work/Holiday photos.rar")" &
pids+=($!)
sleep 4
for i in $(seq 10 40); do
  import -window root "$work/run-$i.png"
  kill -0 "${pids[-1]}" 2>/dev/null || break
  sleep 0.5
done
cp "$(ls -S "$work"/run-*.png | head -n 1)" "$work/progress.png"

# The windows cut out of the desktop, with a margin.
convert "$work/main.png" -trim +repage -bordercolor white -border 0 "$root/docs/windows/main-window.png" 2>/dev/null ||
  cp "$work/main.png" "$root/docs/windows/main-window.png"
cp "$work/progress.png" "$root/docs/windows/progress.png"
echo "screenshots: docs/windows/main-window.png docs/windows/progress.png" >&2
