#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test.
#   --sanitize  builds into build-sanitize/ with AddressSanitizer and
#               UndefinedBehaviorSanitizer and runs the archive component's
#               tests and the whole-program tests there.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/setup.sh" --test
# rar stores the names of the test archives' files as the locale spells them:
# a bare C locale (a fresh root shell) would mangle every non-ASCII name.
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
  export LC_ALL=C.UTF-8
fi
if [ "${1:-}" = "--sanitize" ]; then
  shift
  cd "$here/.."
  if [ ! -f build-sanitize/CMakeCache.txt ]; then
    cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_SANITIZE=ON >/dev/null
  fi
  cmake --build build-sanitize -j"$(nproc)" --target core_tests e2e_tests
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
  cd build-sanitize
  exec ctest --output-on-failure -R '^(core|e2e)_tests$' "$@"
fi
"$here/build.sh" --test
cd "$here/../build"
ctest --output-on-failure "$@"
