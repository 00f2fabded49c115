#!/usr/bin/env bash
# Builds the program and the extraction benchmark into build/ and runs it:
# the whole run of the program (offscreen, settings that ask nothing) against
# `unrar x -o+` on a 512 MiB archive, 20,000 small files and a one-file
# archive, as medians of alternating runs, with the load average; and the
# library in a bare loop, plain and with a temporary name per file, the floor
# beneath both. Not a test.
#   scripts/bench.sh [RUNS] [WORKFOLDER]
# RUNS defaults to 9; WORKFOLDER to /dev/shm/tarnwick-bench (tmpfs, about
# 2.5 GiB while it runs; the archives are kept there for the next call).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
runs="${1:-9}"
work="${2:-/dev/shm/tarnwick-bench}"
"$here/setup.sh" --test
cd "$here/.."
"$here/build.sh" >/dev/null
cmake --build build -j"$(nproc)" --target extract_bench unrar_loop >/dev/null
exec build/tools/extract_bench build/src/tarnwick "$work" "$runs" build/tools/unrar_loop
