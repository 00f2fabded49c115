#!/usr/bin/env bash
# Makes the README's and the metainfo's pictures from the current build:
#   docs/main-window.png  the main window, with its frame, as openbox draws it
#   docs/extraction.png   the progress window part way through an archive,
#                         over the desktop, with a compositor (smooth outline)
# Run it again whenever one of these windows changes.
#   screenshots.sh [BUILD_DIR]      (default build/; the program is built first)
# Needs Xvfb, openbox, xcompmgr, ImageMagick, xdotool and rar
# (scripts/setup.sh --screenshots installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
build="${1:-build}"

scripts/setup.sh --screenshots
if [ "$build" = build ]; then
  scripts/build.sh >/dev/null
else
  cmake --build "$build" --target tarnwick >/dev/null
fi
program="$root/$build/src/tarnwick"
[ -x "$program" ] || program="$build/src/tarnwick"

# A fixed folder, so the pictures show the same paths on every machine; a lock
# keeps two runs of this script apart.
work=/tmp/tarnwick-screenshots
exec 9>/tmp/tarnwick-screenshots.lock
flock -n 9 || { echo "screenshots: another run is busy" >&2; exit 1; }
pids=()
# Ends what this script started, the display last.
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -CONT "${pids[i]}" 2>/dev/null || true
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "screenshots: $*" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work/home/Downloads" "$work/run" "$work/src/Holiday photos"
chmod 700 "$work/run"

# Waits (up to 10 s) until COMMAND succeeds.
await() {
  local what="$1"
  shift
  for _ in $(seq 200); do "$@" >/dev/null 2>&1 && return 0; sleep 0.05; done
  fail "gave up waiting for $what"
}

# A display with a window manager, a compositor and a desktop: a picture in an
# undecorated window kept below all others (the compositor does not paint the
# root window's own background).
exec 3>"$work/display"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 >/dev/null 2>&1 &
pids+=($!)
exec 3>&-
await "Xvfb" test -s "$work/display"
export DISPLAY=":$(cat "$work/display")"
sed 's|<applications>|&<application title="tarnwick-desktop"><decor>no</decor><layer>below</layer><focus>no</focus><position force="yes"><x>0</x><y>0</y></position></application>|' \
  /etc/xdg/openbox/rc.xml >"$work/openbox.xml"
openbox --sm-disable --config-file "$work/openbox.xml" >/dev/null 2>&1 &
pids+=($!)
# The window manager is there once it announces its desktops.
await "openbox" xdotool get_num_desktops
xcompmgr >/dev/null 2>&1 &
pids+=($!)
# (smaller than the screen: a picture as large makes display add a pan window)
convert -size 960x720 gradient:'#3f6e8c-#1d3446' "$work/desktop.png"
display -title tarnwick-desktop -borderwidth 0 "$work/desktop.png" 2>/dev/null &
pids+=($!)
await "the desktop" xdotool search --onlyvisible --name '^tarnwick-desktop$'

# The user's settings, as a first start leaves them, less the welcome dialog.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
export LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY LANGUAGE
settings="$XDG_CONFIG_HOME/Ostrel/Tarnwick"
mkdir -p "$settings"
for flag in autolang button opendir staytop subdir wizard; do printf ':-)\r\n' >"$settings/$flag.txt"; done

"$program" 2>>"$work/log" &
main=$!
pids+=("$main")
await "the main window" xdotool search --onlyvisible --pid "$main" --name '^Tarnwick$'
window="$(xdotool search --onlyvisible --pid "$main" --name '^Tarnwick$' | head -1)"
sleep 0.5
import -silent -window "$window" -frame "$root/docs/main-window.png"
kill "$main"
wait "$main" || true

# An archive large enough for the bar to move (about 20 steps), extracted
# without a question into a subfolder.
rm -f "$settings/wizard.txt" "$settings/opendir.txt"
head -c 4000 /dev/urandom | base64 >"$work/src/Holiday photos/notes.txt"
head -c 200M /dev/urandom >"$work/src/Holiday photos/beach.mov"
(cd "$work/src" && rar a -idq -m0 -r "$work/home/Downloads/Holiday photos.rar" "Holiday photos")

"$program" "$work/home/Downloads/Holiday photos.rar" 2>>"$work/log" &
run=$!
pids+=("$run")
# The run moves only while it is let go: it is stopped at once and let on in
# short steps until its window is up and its title says it is past a third.
kill -STOP "$run"
step() {
  kill -CONT "$run"
  sleep 0.005
  kill -STOP "$run"
}
window=""
for _ in $(seq 2000); do
  window="$(xdotool search --onlyvisible --pid "$run" --name '% ' 2>/dev/null | head -1)" || true
  [ -n "$window" ] && break
  step
done
[ -n "$window" ] || fail "no progress window: $(cat "$work/log")"
percent=0
for _ in $(seq 2000); do
  percent="$(xdotool getwindowname "$window" | sed -n 's/^\([0-9]*\)% .*/\1/p')"
  [ "${percent:-0}" -ge 35 ] && break
  step
done
[ "${percent:-0}" -ge 35 ] && [ "$percent" -lt 100 ] || fail "the bar did not stop part way (at ${percent:-0}%)"
sleep 0.5
# The window and a margin of desktop around it, as the compositor shows it.
eval "$(xdotool getwindowgeometry --shell "$window")"
margin=24
import -silent -window root -crop "$((WIDTH + 2 * margin))x$((HEIGHT + 2 * margin))+$((X - margin))+$((Y - margin))" \
  +repage "$root/docs/extraction.png"
kill -CONT "$run"
wait "$run" || fail "the extraction run failed: $(cat "$work/log")"
[ -s "$work/home/Downloads/Holiday photos/Holiday photos/beach.mov" ] || fail "the archive was not extracted"
echo "screenshots: docs/main-window.png, docs/extraction.png (bar at $percent%)"
