#!/usr/bin/env bash
# The installed program on a desktop: `cmake --install` into a temporary prefix,
# the shipped files validated, Tarnwick made the default for RAR archives with
# xdg-mime, archives opened with `gio open` and `xdg-open`, and every "Extract!"
# entry's command run on a selection; each archive must come out extracted.
#   desktop_test.sh BUILD_DIR
set -euo pipefail
build="$1"
tmp="$(mktemp -d)"
xvfb=""
cleanup() {
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Every command that starts the program, or asks the desktop to, gets a time
# limit: a broken entry that opens the main window instead fails the test.
bounded() {
  local status=0
  timeout -k 5 30 "$@" || status=$?
  [ "$status" -ne 124 ] && [ "$status" -ne 137 ] || fail "did not end within 30 s: $*"
  return "$status"
}

prefix="$tmp/prefix"
share="$prefix/share"
cmake --install "$build" --prefix "$prefix" >/dev/null

# The service menu (Type=Service) and the Nemo action are not desktop entries
# the validator knows; their commands are run below instead.
desktop-file-validate "$share/applications/tarnwick.desktop"
appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml >/dev/null ||
  appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml
for size in 16 22 24 32 48 64 128 256; do
  [ -s "$share/icons/hicolor/${size}x${size}/apps/tarnwick.png" ] || fail "no ${size}px icon"
done
for doc in man/man1/tarnwick.1.gz man/man1/tarnwick-nautilus-install.1.gz doc/tarnwick/copyright; do
  [ -s "$share/$doc" ] || fail "no $doc"
done
grep -q '<svg ' "$share/icons/hicolor/scalable/apps/tarnwick.svg" || fail "no scalable icon"

# A desktop session of its own: nothing read from or written to the user's.
export HOME="$tmp/home" XDG_DATA_HOME="$tmp/data" XDG_CONFIG_HOME="$tmp/config"
export XDG_DATA_DIRS="$share:/usr/share" XDG_RUNTIME_DIR="$tmp/run"
export XDG_CURRENT_DESKTOP=X-Generic QT_QPA_PLATFORM=offscreen PATH="$prefix/bin:$PATH"
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/Ostrel/Tarnwick" "$tmp/in"
chmod 700 "$XDG_RUNTIME_DIR"
# Into a subfolder named after the archive; no dialog is expected, and one that
# shows up anyway is logged and fails the test instead of waiting for a user.
printf ':-)\r\n' >"$XDG_CONFIG_HOME/Ostrel/Tarnwick/subdir.txt"
export TARNWICK_DIALOG_SCRIPT="$tmp/dialogs.txt"
: >"$TARNWICK_DIALOG_SCRIPT"

# xdg-open hands a file to the desktop's default only where there is a display.
exec 3>"$tmp/display"
Xvfb -displayfd 3 -nolisten tcp -screen 0 640x480x24 >/dev/null 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$tmp/display")"

bounded update-desktop-database "$share/applications"
bounded xdg-mime default tarnwick.desktop application/vnd.rar
[ "$(bounded xdg-mime query default application/vnd.rar)" = tarnwick.desktop ] || fail "xdg-mime default not taken"

# Archives named so that a broken quoting or splitting of the selection shows.
echo "hello" >"$tmp/hello.txt"
for name in a b "c d" e "f 'g'" h "i j"; do
  (cd "$tmp" && rar a -idq -ep1 "in/$name.rar" hello.txt)
done

# Waits (bounded) until each named archive's subfolder holds the file.
#   extracted HOW NAME...
extracted() {
  local how="$1" name
  shift
  for name in "$@"; do
    for _ in $(seq 600); do
      [ "$(cat "$tmp/in/$name/hello.txt" 2>/dev/null)" = hello ] && break
      [ ! -s "$TARNWICK_DIALOG_SCRIPT.log" ] || fail "a dialog showed: $(cat "$TARNWICK_DIALOG_SCRIPT.log")"
      sleep 0.1
    done
    [ "$(cat "$tmp/in/$name/hello.txt" 2>/dev/null)" = hello ] || fail "$name.rar was not extracted $how"
  done
}

bounded gio open "$tmp/in/a.rar"
extracted "by gio open" a
bounded xdg-open "$tmp/in/b.rar"
extracted "by xdg-open" b

# The "Extract!" command of a desktop file's group, with %F made the selection.
run_extract() {
  local file="$1" group="$2"
  shift 2
  local exec_line
  exec_line="$(sed -n "/^\[$group\]/,/^\[/s/^Exec=//p" "$file")"
  [ -n "$exec_line" ] || fail "no Exec in [$group] of $file"
  # The main window's instruction lines say "Extract!" in every language.
  local names
  names="$(sed -n "/^\[$group\]/,/^\[/s/^Name\(\[[^]]*\]\)\?=//p" "$file" | sort -u)"
  [ "$names" = 'Extract!' ] || fail "[$group] of $file is not \"Extract!\" in every language: $names"
  local -a words=() argv=()
  read -r -a words <<<"$exec_line"
  for w in "${words[@]}"; do
    if [ "$w" = %F ]; then argv+=("$@"); else argv+=("$w"); fi
  done
  bounded "${argv[@]}"
}
run_extract "$share/applications/tarnwick.desktop" "Desktop Action extract" "$tmp/in/c d.rar"
extracted "by the desktop entry's Extract!" "c d"
run_extract "$share/kio/servicemenus/tarnwick-extract.desktop" "Desktop Action extract" "$tmp/in/e.rar"
extracted "by the Dolphin service menu" e
# Two at once: one process gets both and hands the second on.
run_extract "$share/nemo/actions/tarnwick-extract.nemo_action" "Nemo Action" "$tmp/in/f 'g'.rar" "$tmp/in/h.rar"
extracted "by the Nemo action" "f 'g'" h
bounded tarnwick-nautilus-install >/dev/null
NAUTILUS_SCRIPT_SELECTED_FILE_PATHS="$tmp/in/i j.rar
" bounded "$XDG_DATA_HOME/nautilus/scripts/Extract!"
extracted "by the Files script" "i j"
echo "desktop integration: all archives extracted"
