#!/usr/bin/env bash
# Speed under Wine: Tarnwick.exe against unrar.dll driven by a bare loop
# (unrar_loop.exe), on the benchmark archives of tools/bench/extract_bench
# (512 MiB of mixed data in 8 files; 20,000 small files), made by rar in WORK
# once. Runs alternate, RUNS of each (default 5); the medians of the wall
# times are printed. Not a test: nothing here fails.
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

seconds() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s%N)
  echo "scale=2; ($end - $start) / 1000000000" | bc
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }

for name in mixed small; do
  t=() u=()
  for _ in $(seq 1 "$runs"); do
    rm -rf "$work/run"; mkdir -p "$work/run/t" "$work/run/u"
    ln "$work/archives/$name.rar" "$work/run/t/$name.rar" 2>/dev/null ||
      cp "$work/archives/$name.rar" "$work/run/t/$name.rar"
    t+=("$(seconds wine "$build/Tarnwick.exe" "$(win "$work/run/t/$name.rar")")")
    u+=("$(seconds wine "$build/unrar_loop.exe" "$(win "$work/archives/$name.rar")" "$(win "$work/run/u")")")
  done
  rm -f "$work/run/t/$name.rar"
  diff -rq "$work/run/t" "$work/run/u" >/dev/null || echo "$name: the two outputs differ" >&2
  printf '%-6s Tarnwick.exe %ss  unrar.dll loop %ss  (medians of %s; runs: %s | %s)\n' "$name" \
    "$(printf '%s\n' "${t[@]}" | median)" "$(printf '%s\n' "${u[@]}" | median)" "$runs" "${t[*]}" "${u[*]}"
done
rm -rf "$work/run"
