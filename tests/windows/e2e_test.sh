#!/usr/bin/env bash
# Tarnwick.exe end to end under Wine: archives made by rar, extracted by the
# real program with a settings folder in %APPDATA%\Ostrel\Tarnwick\ and its
# dialogs answered through TARNWICK_DIALOG_SCRIPT (a Windows path), each
# result compared with what `unrar x` makes of the same archive.
#   e2e_test.sh BUILD_DIR   (BUILD_DIR/wine is the private Wine prefix; needs
#                            a display: scripts/test.sh --windows runs Xvfb)
set -uo pipefail
build="$(cd "$1" && pwd)"
exe="$build/Tarnwick.exe"
export WINEPREFIX="$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
work="$(mktemp -d /tmp/tarnwick-wine.XXXXXX)"
settings="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Ostrel/Tarnwick"
failures=0
trap 'rm -rf "$work"' EXIT

# A Linux path as Windows programs under Wine see it (drive Z: is /).
win() { printf 'Z:%s' "${1//\//\\}"; }
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() { local what="$1"; shift; "$@" >/dev/null 2>&1 || fail "$what"; }

# A fresh settings folder (no wizard, nothing opened afterwards) and script.
fresh() {
  rm -rf "$settings" "$work/in" "$work/ref" "$work/out"
  mkdir -p "$settings" "$work/in" "$work/ref" "$work/out"
  : >"$work/dialogs.txt"
  rm -f "$work/dialogs.txt.log"
}
# Runs the program on Windows paths of the arguments.
run() {
  local args=()
  for a in "$@"; do case "$a" in /*) args+=("$(win "$a")") ;; *) args+=("$a") ;; esac; done
  TARNWICK_DIALOG_SCRIPT="$(win "$work/dialogs.txt")" timeout 180 wine "$exe" "${args[@]}"
}
logged() { grep -q "$1" "$work/dialogs.txt.log" 2>/dev/null; }
same() { diff -r "$1" "$2" >/dev/null 2>&1; }

# The source tree: folders, an empty one, names outside ASCII, mixed data.
src="$work/src"
mkdir -p "$src/docs/deep" "$src/empty folder" "$src/Grüße" "$src/日本語"
echo hello >"$src/readme.txt"
head -c 300000 /dev/urandom >"$src/docs/deep/noise.bin"
seq 1 40000 >"$src/docs/numbers.txt"
echo non-ascii >"$src/Grüße/Ünïcødé ✓.txt"
echo wide >"$src/日本語/ファイル.txt"
: >"$src/zero.dat"
rar_in() { (cd "$src" && rar a -idq -r "$@" >/dev/null); }
reference() { unrar x -idq -o+ "$1" "$work/ref/" >/dev/null; }

# Each start loads only the DLLs it needs at once: the dialogs', Direct3D's
# and the network's load on first use (they cost every run, and its watcher,
# a good part of its start).
imports="$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')"
check "no dialog, Direct3D or network DLL at start" \
  test -z "$(printf '%s\n' "$imports" | grep -x -e comdlg32.dll -e d3d11.dll -e dxgi.dll -e netapi32.dll -e ole32.dll)"
check "the start's own DLLs are imported" grep -qx user32.dll <<<"$imports"

echo "windows e2e: starting the Wine prefix" >&2
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1

# Plain and solid, with non-ASCII names in the tree and the archive's name.
for kind in plain solid; do
  fresh
  switches=()
  [ "$kind" = solid ] && switches=(-s)
  rar_in "${switches[@]}" "$work/in/Fotos ü.rar" '*'
  reference "$work/in/Fotos ü.rar"
  run "$work/in/Fotos ü.rar"
  rm "$work/in/Fotos ü.rar"
  check "$kind archive extracts as unrar x does" same "$work/ref" "$work/in"
  check "$kind archive: no dialog" test ! -s "$work/dialogs.txt.log"
done

# Multi-volume, named outside ASCII, from its first part and from a later
# one; into a subfolder.
fresh
rar_in -v100k "$work/in/Sätze.rar" '*'
reference "$work/in/Sätze.part1.rar"
printf ':-)\r\n' >"$settings/subdir.txt"
run "$work/in/Sätze.part1.rar"
check "volumes from the first part" same "$work/ref" "$work/in/Sätze.part1"
rm -rf "$work/in/Sätze.part1"
# A later volume stands for its set: the subfolder is the first part's.
(cd "$work/in" && run "Sätze.part3.rar")
check "volumes from a later part" same "$work/ref" "$work/in/Sätze.part1"

# Encrypted data and headers: the password from the list named in the
# settings (a Windows path, the list in the ANSI code page).
fresh
rar_in -hpgeheim "$work/in/secret.rar" readme.txt
printf ':-)\r\n' >"$settings/trylist.txt"
printf 'falsch\r\ngeheim\r\n' >"$settings/passlist.txt"
printf '%s\r\n' "$(win "$settings/passlist.txt")" >"$settings/listname.txt"
run "$work/in/secret.rar"
check "the list's password opens the archive" cmp "$src/readme.txt" "$work/in/readme.txt"
check "no password asked" test ! -s "$work/dialogs.txt.log"
# Asked for, typed in: a password outside ASCII in the ANSI code page.
fresh
rar_in -pgrün "$work/in/secret.rar" readme.txt
printf 'TPasswordForm PasswordEdit=grün OKButton\n' >"$work/dialogs.txt"
run "$work/in/secret.rar"
check "a typed password outside ASCII" cmp "$src/readme.txt" "$work/in/readme.txt"
check "the password dialog was shown" logged "TPasswordForm"

# Overwrite: asked, and answered "replace"; then a file held by no one.
fresh
rar_in "$work/in/a.rar" readme.txt
echo "the user's own" >"$work/in/readme.txt"
printf 'TReplaceForm replaceButton\n' >"$work/dialogs.txt"
run "$work/in/a.rar"
check "replaced after the question" cmp "$src/readme.txt" "$work/in/readme.txt"
check "the replace question was shown" logged "TReplaceForm"
check "the replace question names the file by one separator" logged 'in\\readme.txt'

# Hostile names: nothing outside the output folder; Windows' device names,
# trailing dots and spaces are refused (the failure report), the rest stays.
fresh
mkdir -p "$work/hostile" "$work/in/out"
for n in 'aux.txt' 'CON' 'nul.dat' 'com1' 'trail.' 'trail ' 'a:b.txt' 'C:evil.txt' 'ok.txt'; do
  echo x >"$work/hostile/$n"
done
(cd "$work/hostile" && rar a -idq "$work/in/out/h.rar" ./* >/dev/null)
outside() { (cd "$work" && find . -path ./in/out -prune -o ! -name 'dialogs.txt.log' -print | sort); }
before="$(outside)"
printf 'TFailedForm OKButton\n' >"$work/dialogs.txt"
run "$work/in/out/h.rar"
after="$(outside)"
check "nothing written outside the output folder" test "$before" = "$after"
check "nothing on drive C:" test ! -e "$WINEPREFIX/drive_c/evil.txt"
check "the harmless entry is there" test -f "$work/in/out/ok.txt"
# The library itself turns a colon into '_': those names stay inside.
check "a colon becomes '_'" test -f "$work/in/out/a_b.txt" -a -f "$work/in/out/C_evil.txt"
for n in aux.txt CON nul.dat com1 trail. 'trail '; do
  check "refused: $n" test ! -e "$work/in/out/$n"
done
check "the failure report for the refused names" logged "TFailedForm"

# A damaged archive: the failure report, no half file.
fresh
rar_in "$work/in/d.rar" docs/numbers.txt
size=$(stat -c %s "$work/in/d.rar")
head -c $((size / 2)) "$work/in/d.rar" >"$work/in/damaged.rar"
rm "$work/in/d.rar"
printf 'TFailedForm OKButton\n' >"$work/dialogs.txt"
run "$work/in/damaged.rar"
check "damaged: the failure report" logged "TFailedForm"
check "damaged: no temporary left" test -z "$(find "$work/in" -name '*.part')"

# A run caught while it replaces the user's file with big.bin: the run is
# let go in steps of a few milliseconds between stops until its temporary is
# there, so a fast machine cannot finish the file before it is ended. The
# caller ends it while stopped and then lets it go on (kill -CONT "$runpid").
head -c 400000000 /dev/zero >"$work/big.bin"
(cd "$work" && rar a -idq -m1 "$work/big.rar" big.bin >/dev/null)
rm "$work/big.bin"
# Lets the stopped run go on for a few milliseconds.
step() {
  kill -CONT "$runpid" 2>/dev/null
  sleep 0.005
  kill -STOP "$runpid" 2>/dev/null
}
held() {
  fresh
  cp "$work/big.rar" "$work/in/big.rar"
  echo "the user's own" >"$work/in/big.bin"
  printf 'TReplaceForm wait=300 replaceButton\nTFailedForm OKButton\n' >"$work/dialogs.txt"
  run "$work/in/big.rar" &
  runner=$!
  for _ in $(seq 1 300); do logged TReplaceForm && break; sleep 0.1; done
  # The run is the process started by its Linux path; its watcher has a Windows one.
  runpid="$(ps -eo pid=,args= | awk '$2 ~ /^\/.*Tarnwick.exe$/ {print $1}')"
  part=""
  kill -STOP "$runpid"
  for _ in $(seq 1 2000); do
    part="$(find "$work/in" -name '*.part' | head -1)"
    [ -n "$part" ] && break
    step
  done
}

# Shutdown: a run replacing the user's file is ended the orderly way; the
# user's file stays whole and no temporary is left.
held
check "the run was writing when shut down" test -n "$part"
started=$(date +%s)
timeout 60 wine "$exe" shutdown
kill -CONT "$runpid"
wait "$runner"
check "the run ended within seconds" test $(($(date +%s) - started)) -lt 30
check "shutdown: the user's file stays" test "$(cat "$work/in/big.bin")" = "the user's own"
check "shutdown: no temporary left" test -z "$(find "$work/in" -name '*.part')"

# A run that dies while it replaces the user's file (a crash: a thread of its
# own faults; TerminateProcess from outside) leaves its watcher to remove the
# temporary and show the failure report; a closed progress window (taskkill
# without /F) ends the run the orderly way. The user's file stays in each case.
for how in crash terminate close; do
  held
  pid="${part##*.tarnwick-}"  # the run's Windows process id
  case "$how" in
    # The fault needs the run awake to start its thread: let go in steps
    # until the helper has seen the run end.
    crash)
      wine "$build/tests/windows/crash_run.exe" "${pid%.part}" &
      crasher=$!
      while kill -0 "$crasher" 2>/dev/null; do
        step
        sleep 0.05
      done
      ;;
    terminate) wine taskkill /F /PID "${pid%.part}" >/dev/null 2>&1 ;;
    close) wine taskkill /PID "${pid%.part}" >/dev/null 2>&1 ;;
  esac
  kill -CONT "$runpid" 2>/dev/null
  wait "$runner"
  for _ in $(seq 1 300); do logged TFailedForm && break; sleep 0.1; done
  check "$how: the run was writing" test -n "$part"
  check "$how: the failure report" logged "TFailedForm"
  check "$how: the user's file stays" test "$(cat "$work/in/big.bin")" = "the user's own"
  check "$how: no temporary left" test -z "$(find "$work/in" -name '*.part')"
done

# A file marked read-only is not replaced, though the user says "replace":
# the entry fails with the failure report, as on Windows itself.
fresh
rar_in "$work/in/a.rar" readme.txt
echo "the user's own" >"$work/in/readme.txt"
chmod a-w "$work/in/readme.txt"
printf 'TReplaceForm replaceButton\nTFailedForm OKButton\n' >"$work/dialogs.txt"
run "$work/in/a.rar"
check "read-only: the failure report" logged "TFailedForm"
check "read-only: the user's file stays" test "$(cat "$work/in/readme.txt")" = "the user's own"

# The main window's "Unrar..." run: the option opens Windows' own file dialog
# at start-up, the archive's name is typed there and extracted by a run of its
# own; "shutdown" then ends the main window.
fresh
rar_in "$work/in/a.rar" readme.txt
printf ':-)\r\n' >"$settings/dialog.txt"
TARNWICK_DIALOG_SCRIPT="$(win "$work/dialogs.txt")" timeout 180 wine "$exe" &
main=$!
# The dialog is the one window shown (the main window waits for its answer)
# and takes the program's title; its file name field has the focus.
dialog=""
for _ in $(seq 1 150); do
  dialog="$(xdotool search --onlyvisible --name '^Tarnwick$' 2>/dev/null | head -1)"
  [ -n "$dialog" ] && break
  sleep 0.2
done
check "Unrar...: Windows' file dialog opened" test -n "$dialog"
if [ -n "$dialog" ]; then
  sleep 1
  xdotool type --delay 20 "$(win "$work/in/a.rar")"
  xdotool key Return
  for _ in $(seq 1 150); do [ -f "$work/in/readme.txt" ] && break; sleep 0.2; done
fi
check "Unrar...: the chosen archive extracted" cmp "$src/readme.txt" "$work/in/readme.txt"
timeout 60 wine "$exe" shutdown >/dev/null 2>&1
wait "$main"

if [ "$failures" -gt 0 ]; then
  echo "windows e2e: $failures check(s) failed" >&2
  exit 1
fi
echo "windows e2e: all checks passed" >&2
