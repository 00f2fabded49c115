#!/usr/bin/env bash
# Speed under Wine: Tarnwick.exe against unrar.dll driven by a bare loop
# (unrar_loop.exe), plain and with a temporary name and a rename per file (the
# least any extraction costs that never leaves a half file under a real
# name), on the benchmark archives of tools/bench/extract_bench
# (512 MiB of mixed data in 8 files; 20,000 small files), made by rar in WORK
# once. Runs alternate, RUNS of each (default 5); the medians of the wall
# times are printed, and of the processor time each run cost: the program's
# own (its watcher's, in the background, not counted) and the wineserver's,
# which a loaded machine disturbs far less. Not a test: nothing here fails.
#   xvfb-run -a tools/windows/bench.sh BUILD_DIR WORK [RUNS]   (Wine needs a display)
# Put WORK on tmpfs (/dev/shm), as scripts/bench.sh does: ext4 without a
# journal skips every recently deleted inode when it makes a file, so after
# the removal of a run's 20,000 files whichever program runs next pays for it.
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$2"
runs="${3:-5}"
export WINEPREFIX="$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
win() { printf 'Z:%s' "${1//\//\\}"; }
mkdir -p "$work/archives"

if [ ! -f "$work/archives/mixed.rar" ]; then
  src="$work/src-mixed"
  mkdir -p "$src"
  for i in 0 1 2 3 4 5 6 7; do
    # 64 MiB each: text-like runs, repeated blocks and random blocks.
    { seq 1 4000000 | head -c 24000000 || true
      head -c 1048576 /dev/urandom >"$work/block"
      for _ in $(seq 1 20); do cat "$work/block"; done
      head -c $((64 * 1048576 - 24000000 - 20 * 1048576)) /dev/urandom; } >"$src/part$i.dat"
  done
  (cd "$src" && rar a -idq -m3 "$work/archives/mixed.rar" . >/dev/null)
  rm -rf "$src" "$work/block"
fi
if [ ! -f "$work/archives/small.rar" ]; then
  src="$work/src-small"
  for d in $(seq 0 99); do
    mkdir -p "$src/d$d"
    for f in $(seq 0 199); do echo "file $d/$f $RANDOM$RANDOM" >"$src/d$d/f$f.txt"; done
  done
  (cd "$src" && rar a -idq -m3 -r "$work/archives/small.rar" . >/dev/null)
  rm -rf "$src"
fi

settings="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Ostrel/Tarnwick"
rm -rf "$settings"
mkdir -p "$settings"
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1

# Windows always has its window manager; Wine without one waits two seconds
# for each window it hides (the progress window at the end of each run). A
# display without one gets openbox for the runs.
if command -v openbox >/dev/null && command -v xprop >/dev/null &&
  ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
  openbox >/dev/null 2>&1 &
  wm=$!
  trap 'kill "$wm" 2>/dev/null || true' EXIT
  sleep 1
fi

# The prefix's wineserver, kept running for all the runs: the one whose
# folder is named after the prefix's device and inode.
wineserver -p
server_dir="$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))"
server=""
for _ in $(seq 1 40); do
  for p in $(pgrep -f wineserver); do
    case "$(readlink "/proc/$p/cwd" 2>/dev/null)" in */"$server_dir") server=$p ;; esac
  done
  [ -n "$server" ] && break
  sleep 0.05  # it enters its folder a moment after it starts
done
server_cpu() {
  [ -n "$server" ] && [ -r "/proc/$server/stat" ] || { echo 0; return; }
  awk -v hz="$(getconf CLK_TCK)" '{print ($14 + $15) / hz}' "/proc/$server/stat"
}

# One run: "wall program-cpu server-cpu", in seconds.
measure() {
  local start end s0 s1
  s0=$(server_cpu)
  start=$(date +%s%N)
  # The subshell's `times`: its children's user and system time, last line.
  (
    "$@" >/dev/null 2>&1
    times
  ) | tail -n 1 | sed 's/m/ /g; s/s//g' >"$work/time"
  end=$(date +%s%N)
  s1=$(server_cpu)
  read -r um us sm ss <"$work/time" || um=0 us=0 sm=0 ss=0
  echo "$(echo "scale=2; ($end - $start) / 1000000000" | bc)" \
    "$(echo "$um * 60 + $us + $sm * 60 + $ss" | bc)" "$(echo "$s1 - $s0" | bc)"
}
median() { sort -n | awk '{a[NR]=$1} END {printf "%.2f", a[int((NR + 1) / 2)]}'; }
column() { printf '%s\n' "${@:2}" | cut -d' ' -f"$1" | median; }

for name in mixed small; do
  t=() u=() v=()
  for _ in $(seq 1 "$runs"); do
    rm -rf "$work/run"; mkdir -p "$work/run/t" "$work/run/u" "$work/run/v"
    ln "$work/archives/$name.rar" "$work/run/t/$name.rar" 2>/dev/null ||
      cp "$work/archives/$name.rar" "$work/run/t/$name.rar"
    t+=("$(measure wine "$build/Tarnwick.exe" "$(win "$work/run/t/$name.rar")")")
    u+=("$(measure wine "$build/unrar_loop.exe" "$(win "$work/archives/$name.rar")" "$(win "$work/run/u")")")
    v+=("$(measure wine "$build/unrar_loop.exe" "$(win "$work/archives/$name.rar")" "$(win "$work/run/v")" --temporaries)")
  done
  rm -f "$work/run/t/$name.rar"
  diff -rq "$work/run/t" "$work/run/u" >/dev/null || echo "$name: the outputs differ" >&2
  diff -rq "$work/run/v" "$work/run/u" >/dev/null || echo "$name: the loops' outputs differ" >&2
  walls() { local r; for r in "$@"; do printf '%s ' "${r%% *}"; done; }
  printf '%-6s Tarnwick.exe %ss  unrar.dll loop %ss  (medians of %s; runs: %s| %s)\n' "$name" \
    "$(column 1 "${t[@]}")" "$(column 1 "${u[@]}")" "$runs" "$(walls "${t[@]}")" "$(walls "${u[@]}")"
  printf '%-6s with temporaries: unrar.dll loop %ss  (runs: %s)\n' "" "$(column 1 "${v[@]}")" "$(walls "${v[@]}")"
  printf '%-6s processor: Tarnwick.exe %ss + wineserver %ss  unrar.dll loop %ss + wineserver %ss  with temporaries %ss + %ss\n' \
    "" "$(column 2 "${t[@]}")" "$(column 3 "${t[@]}")" "$(column 2 "${u[@]}")" "$(column 3 "${u[@]}")" \
    "$(column 2 "${v[@]}")" "$(column 3 "${v[@]}")"
done
rm -rf "$work/run" "$work/time"
wineserver -k 2>/dev/null || true
