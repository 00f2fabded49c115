#!/usr/bin/env bash
# The Windows installer under Wine, one round per scope, each in a private
# prefix: silent install, the registry it wrote, the program's first start in
# the installer's language, opening an archive through the shell and through
# the "Extract!" verb's command line, an upgrade over a running copy, and an
# uninstall that leaves the prefix as it found it (settings folder aside).
#   installer_test.sh BUILD_DIR   (BUILD_DIR holds Tarnwick.exe and
#                                  tarnwick-VERSION-setup.exe)
set -uo pipefail
build="$(cd "$1" && pwd)"
setup="$(ls "$build"/tarnwick-*-setup.exe | head -n 1)"
version="${setup##*/tarnwick-}"
version="${version%-setup.exe}"
# No Mono or Gecko, and no menu entries written into the real home folder.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" LC_ALL=C.UTF-8
work="$(mktemp -d /tmp/tarnwick-installer.XXXXXX)"
passed=0 failed=0
cleanup() {
  for p in "$work"/prefix-*; do [ -d "$p" ] && WINEPREFIX="$p" wineserver -k 2>/dev/null; done
  [ -z "${xvfb:-}" ] || kill "$xvfb"
  rm -rf "$work"
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1024x768x24 3>"$work/display" 2>/dev/null &
  xvfb=$!
  while [ ! -s "$work/display" ]; do sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
fi

check() {
  local what="$1"
  shift
  if "$@" >/dev/null 2>&1; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $what" >&2; fi
}
win() { printf 'Z:%s' "${1//\//\\}"; }
# The data of value NAME (empty: the default value) of KEY.
value() {
  if [ -z "$2" ]; then wine reg query "$1" /ve; else wine reg query "$1" /v "$2"; fi 2>/dev/null |
    tr -d '\r' | sed -n 's/^    .*    REG_[A-Z_]*    //p'
}
is() { [ "$(value "$1" "$2")" = "$3" ]; }
# Waits up to 60 s for a command to succeed.
waitfor() { for _ in $(seq 600); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done; return 1; }
# A Tarnwick.exe of this prefix runs (other prefixes may run their own).
running() {
  local pid
  for pid in $(pgrep -f 'Tarnwick\.exe'); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
  done
  return 1
}
# The prefix's registry (values, without Wine's time stamps) and files, less
# what Wine itself changes on every run (console defaults, its device classes) and
# the uninstaller's copy of itself in Temp, which NSIS removes at the next boot.
snapshot() {
  timeout 120 wineserver -w
  for f in system.reg user.reg; do
    awk -v h="$f" '/^\[/ { k = $0; sub(/\] [0-9]+$/, "]", k); print h k; next }
      /^(#|;;|WINE REGISTRY|$)/ { next } { print h k " " $0 }' "$WINEPREFIX/$f"
  done | grep -v -e '^user.reg\[Console\]' -e '^system.reg\[System\\\\CurrentControlSet\\\\Control\\\\Class\\\\' \
    -e '"PendingFileRenameOperations"=' | sort
  (cd "$WINEPREFIX/drive_c" && find . ! -path './users/*/Temp/*' | sort)
}

rar a -idq -ep1 "$work/content.rar" "$build/Tarnwick.exe" >/dev/null 2>&1 ||
  { echo "installer_test: rar failed" >&2; exit 1; }
wineprefix_template="$work/prefix-template"
WINEPREFIX="$wineprefix_template" wineboot -i >/dev/null 2>&1
WINEPREFIX="$wineprefix_template" wineserver -w

# scope, command-line switch, registry root, language code and the welcome
# dialog's caption in it, folder given with /D= (empty: the default),
# uninstaller switches.
round() {
  local scope="$1" switch="$2" root="$3" lang="$4" welcome="$5" dir="$6" unflags="$7"
  export WINEPREFIX="$work/prefix-$scope"
  cp -a "$wineprefix_template" "$WINEPREFIX"
  local user_dir="$WINEPREFIX/drive_c/users/$(id -un)"
  local settings="$user_dir/AppData/Roaming/Ostrel/Tarnwick"
  local classes="$root\\Software\\Classes" product="$root\\Software\\Ostrel\\Tarnwick - Lumox"
  local uninstall="$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarnwick"
  local progid="Tarnwick.RarArchive" exe command
  # Another program's handler of .rar, which uninstalling must give back.
  wine reg add "$classes\\.rar" /ve /d Other.Archive /f >/dev/null 2>&1
  snapshot >"$work/before"

  local args=(/S "$switch" "/LANG=$lang")
  [ -z "$dir" ] || args+=("/D=$dir")
  check "$scope: silent install" wine "$setup" "${args[@]}"
  dir="$(value "$uninstall" InstallLocation)"
  if [ -z "$6" ]; then
    case "$scope" in
      machine) check "$scope: into Program Files" test "$dir" = 'C:\Program Files\Tarnwick' ;;
      user) check "$scope: into LOCALAPPDATA\\Programs" test "$dir" = "C:\\users\\$(id -un)\\AppData\\Local\\Programs\\Tarnwick" ;;
    esac
  fi
  exe="$dir\\Tarnwick.exe"
  command="\"$exe\" \"%1\""
  local unix_dir="$WINEPREFIX/drive_c/$(printf '%s' "${dir#C:\\}" | tr '\\' /)"
  local menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
  [ "$root" = HKLM ] || menu="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
  check "$scope: program, library, licence, uninstaller and shortcut installed" \
    test -f "$unix_dir/Tarnwick.exe" -a -f "$unix_dir/unrar.dll" -a -f "$unix_dir/licence.txt" \
    -a -f "$unix_dir/tarnwick.ico" \
    -a -f "$unix_dir/uninstall.exe" -a -f "$menu/Tarnwick.lnk"
  check "$scope: .rar, .r00 and .r99 open with the program" \
    eval 'is "$classes\\.rar" "" $progid && is "$classes\\.r00" "" $progid && is "$classes\\.r99" "" $progid'
  check "$scope: open and Extract! start it with the quoted path" \
    eval 'is "$classes\\$progid\\shell\\open\\command" "" "$command" && is "$classes\\$progid\\shell\\Extract!\\command" "" "$command"'
  check "$scope: icon (installed beside the program), default-apps capabilities" \
    eval 'is "$classes\\$progid\\DefaultIcon" "" "$dir\\tarnwick.ico" && is "$root\\Software\\RegisteredApplications" Tarnwick "Software\\Ostrel\\Tarnwick - Lumox\\Capabilities" && is "$product\\Capabilities\\FileAssociations" .r42 $progid'
  check "$scope: Installer Language $lang" is "$product" "Installer Language" "$lang"
  local other=HKCU
  [ "$root" = HKCU ] && other=HKLM
  check "$scope: nothing registered for the other scope" eval '! wine reg query "$other\\Software\\Classes\\$progid" &&
    ! wine reg query "${uninstall/$root/$other}"' 
  check "$scope: uninstall entry" eval 'is "$uninstall" DisplayVersion "$version" && is "$uninstall" Publisher Ostrel &&
    is "$uninstall" UninstallString "\"$dir\\uninstall.exe\"" && [ -n "$(value "$uninstall" EstimatedSize)" ]'

  # First start: the welcome dialog speaks the installer's language.
  printf 'TWelcomeForm OKButton\n' >"$work/dialogs.txt"
  rm -f "$work/dialogs.txt.log"
  TARNWICK_DIALOG_SCRIPT="$(win "$work/dialogs.txt")" wine "$exe" >/dev/null 2>&1 &
  check "$scope: first start welcomes in $welcome" \
    waitfor grep -q "TWelcomeForm | Tarnwick - $welcome" "$work/dialogs.txt.log"
  if [ "$root" = HKCU ]; then
    check "$scope: the program copied the language to the machine" \
      is 'HKLM\Software\Ostrel\Tarnwick - Lumox' "Installer Language" "$lang"
  fi
  # Upgrade in place over the running program: same folder, scope and
  # language without being told, the program closed, the settings kept.
  rm -f "$settings/wizard.txt" "$settings/opendir.txt"
  printf 'secret\r\n' >"$settings/silent.txt"
  # The welcome dialog is logged before its answer is stored (firstrun.txt
  # goes): the settings are taken after that.
  waitfor test ! -e "$settings/firstrun.txt" || true
  (cd "$settings" && md5sum ./* >"$work/settings.md5")
  check "$scope: upgrade over the running program" wine "$setup" /S
  check "$scope: the running program was closed" eval '! running'
  check "$scope: upgraded in place" is "$uninstall" InstallLocation "$dir"
  check "$scope: language kept" is "$product" "Installer Language" "$lang"
  check "$scope: settings kept" eval '(cd "$settings" && md5sum -c --quiet "$work/settings.md5")'

  # Double-click: Wine's HKEY_CLASSES_ROOT has no per-user part, so a per-user
  # registration is started by its "open" command line as the shell would.
  local archive
  for verb in open Extract!; do
    archive="$work/$scope-$verb/archive.rar"
    mkdir -p "${archive%/*}"
    cp "$work/content.rar" "$archive"
    if [ "$verb" = open ] && [ "$root" = HKLM ]; then
      wine start /unix "$archive" >/dev/null 2>&1
    else
      # The command line's program, when it has the form the shell expects.
      local program
      program="$(value "$classes\\$progid\\shell\\$verb\\command" "" | sed -n 's/^"\(.*\)" "%1"$/\1/p')"
      [ -z "$program" ] || wine "$program" "$(win "$archive")" >/dev/null 2>&1 &
    fi
    waitfor test -f "${archive%.rar}/Tarnwick.exe"
    check "$scope: $verb extracts the archive" cmp "$build/Tarnwick.exe" "${archive%.rar}/Tarnwick.exe"
  done

  wine "$unix_dir/uninstall.exe" /S $unflags >/dev/null 2>&1
  snapshot >"$work/after"
  local left
  left="$(diff "$work/before" "$work/after" | grep '^[<>]')"
  [ -n "$unflags" ] || left="$(printf '%s\n' "$left" | grep -v '^> ./users/[^/]*/AppData/Roaming/Ostrel')"
  check "$scope: uninstalled without a trace" test -z "$left"
  [ -z "$left" ] || printf '%s\n' "$left" | head -n 20 >&2
  if [ -z "$unflags" ]; then
    check "$scope: settings folder left" test -f "$settings/silent.txt"
  fi
  wineserver -k
}

start=$SECONDS
round machine /ALLUSERS HKLM 1036 Bienvenue "" ""
round user /CURRENTUSER HKCU 1031 Willkommen 'C:\Tarnwick2' /REMOVESETTINGS
echo "installer: two rounds in $((SECONDS - start)) s" >&2
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
