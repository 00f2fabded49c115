#!/usr/bin/env bash
# Fuzzes the block-chain walk that judges archives whole or damaged, and the
# archive component's header reading, with libFuzzer.
#   scripts/fuzz.sh SECONDS     run for SECONDS on one core (default 60)
# Builds build-fuzz/chain_fuzz with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer), seeds build-fuzz/corpus with small archives made
# by rar and by the tests' RAR 4 writer plus the hostile fixtures kept under
# tests/fixtures/, and leaves any crashing input in build-fuzz/findings/.
# The fuzzer runs in a child process and goes on after a crash (the extraction
# library itself crashes on some hostile archives), so one run collects every
# finding. Each finding becomes a named fixture under tests/fixtures/ with a
# test of its exact verdict.
set -euo pipefail
seconds="${1:-60}"
cd "$(dirname "$0")/.."
root="$PWD"
out="$root/build-fuzz"
mkdir -p "$out/corpus" "$out/findings" "$out/seeds"
"$root/scripts/setup.sh" --fuzz
sanitize="-fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined"
clang++ -std=c++17 -O1 -g $sanitize -Isrc -Itests \
  tests/fuzz/ChainFuzz.cpp src/archive/*.cpp $(ls src/platform/*.cpp | grep -v '_win\.cpp$') -ldl \
  -o "$out/chain_fuzz"
clang++ -std=c++17 -O1 -Itests tests/fuzz/MakeSeeds.cpp tests/support/Rar4Writer.cpp \
  -o "$out/make_seeds"

# Seeds: RAR 5 archives of a few kinds (rar 7 makes RAR 5 only), RAR 4 ones.
seeds="$out/seeds"
if [ "$(cat "$seeds/done" 2>/dev/null)" != 2 ]; then
  rm -rf "$seeds" && mkdir -p "$seeds/src/sub"
  printf 'Tarnwick fuzz seed.\n' >"$seeds/src/a.txt"
  head -c 3000 /dev/zero | tr '\0' 'z' >"$seeds/src/sub/b.txt"
  (cd "$seeds/src" &&
    rar a -idq -m0 ../rar5-stored.rar a.txt sub &&
    rar a -idq -s ../rar5-solid.rar a.txt sub &&
    rar a -idq -ptarnwick ../rar5-data-encrypted.rar a.txt &&
    rar a -idq -hptarnwick ../rar5-headers-encrypted.rar a.txt &&
    rar a -idq -hptarnwick -qo+ -z../src/a.txt -ver ../rar5-headers-encrypted-kept.rar a.txt sub &&
    rar a -idq -hptarnwick -ver ../rar5-headers-encrypted-kept.rar a.txt &&
    rar a -idq -m0 -v1k ../rar5-set.rar sub/b.txt &&
    rar a -idq -rr5% ../rar5-recovery.rar a.txt &&
    rar a -idq -qo+ ../rar5-quickopen.rar a.txt sub &&
    printf 'comment\n' | rar c -idq -z../src/a.txt ../rar5-stored.rar >/dev/null 2>&1 || true)
  "$out/make_seeds" "$seeds"
  rm -rf "$seeds/src"
  echo 2 >"$seeds/done"
fi
cp -n "$seeds"/*.rar "$out/corpus/" 2>/dev/null || true
cp -n tests/fixtures/*.rar "$out/corpus/"

cd "$out"
TMPDIR="${TMPDIR:-/tmp}" ASAN_OPTIONS="detect_leaks=0" \
  ./chain_fuzz -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
  -artifact_prefix="$out/findings/" -print_final_stats=1 "$out/corpus"
ls "$out/findings"
