#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test.
#   --sanitize  builds into build-sanitize/ with AddressSanitizer and
#               UndefinedBehaviorSanitizer and runs the archive component's
#               tests and the whole-program tests there.
#   --windows   cross-builds the Windows program and its tests
#               (scripts/windows.sh) and runs them under Wine with Xvfb, in
#               the private Wine prefix build-windows/wine.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if [ "${1:-}" = "--windows" ]; then
  "$here/windows.sh"
  build="$here/../build-windows"
  # The core tests' archives, made by rar on Linux (rar does not run under
  # Wine) with the Linux build's fixture maker; Wine sees them on drive Z:.
  "$here/setup.sh" --test
  fixtures="$(cd "$build" && pwd)/tests/windows/fixtures"
  (cd "$here/.." &&
    if [ ! -f build/CMakeCache.txt ]; then
      cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_TESTS=ON >/dev/null
    fi &&
    cmake --build build -j"${TARNWICK_JOBS:-2}" --target make_fixtures >/dev/null &&
    # rar stores names as the locale spells them (see below).
    if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then export LC_ALL=C.UTF-8; fi &&
    build/tests/make_fixtures "$fixtures")
  export TARNWICK_TEST_FIXTURES="Z:$fixtures"
  export WINEPREFIX="$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # The tests' own display, and the prefix's server ended afterwards.
  trap 'wineserver -k 2>/dev/null || true' EXIT
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    set -e
    [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
    # A test program that crashes fails at once: without the debugger, which
    # would wait in a crash dialog or, told not to, end it with status 0.
    # Wine checks the heap at every call, so that memory used after it is
    # freed fails here every time rather than now and then.
    nodebugger="$WINEDLLOVERRIDES;winedbg.exe=d"
    heapcheck="-all,warn+heap"
    echo "windows: the Windows tests under Wine" >&2
    (cd "$1/tests/windows" && WINEDEBUG="$heapcheck" WINEDLLOVERRIDES="$nodebugger" timeout 600 wine windows_tests.exe --gtest_brief=1)
    echo "windows: the core tests under Wine" >&2
    (cd "$1/tests/windows" && WINEDEBUG="$heapcheck" WINEDLLOVERRIDES="$nodebugger" timeout 900 wine core_tests.exe --gtest_brief=1)
    "$2/../tests/windows/e2e_test.sh" "$1"
    if [ -x "$2/../tests/windows/installer_test.sh" ]; then
      "$2/../tests/windows/installer_test.sh" "$1"
    fi' windows "$build" "$here"
  exit 0
fi
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
