#!/usr/bin/env bash
# Configures and builds Tarnwick into build/. Used by run.sh and test.sh.
#   build.sh          the program only: no test framework needed
#   build.sh --test   everything, the tests included
# A configure that failed (no Makefile came of it) is redone on the next call,
# from a fresh cache, so one failure never sticks.
set -euo pipefail
cd "$(dirname "$0")/.."

tests=OFF target=(--target tarnwick)
if [ "${1:-}" = "--test" ]; then
  tests=ON target=()
fi

configured_tests=""
if [ -f build/CMakeCache.txt ]; then
  configured_tests="$(sed -n 's/^TARNWICK_TESTS:BOOL=//p' build/CMakeCache.txt)"
fi
# The program alone builds in any configured tree; the tests need one
# configured with them.
if [ ! -f build/Makefile ] || { [ "$tests" = ON ] && [ "$configured_tests" != ON ]; }; then
  [ -f build/Makefile ] || rm -rf build/CMakeCache.txt build/CMakeFiles
  echo "build: configuring build/ (tests $tests)"
  mkdir -p build
  if ! cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_TESTS="$tests" >build/configure.log 2>&1 \
    </dev/null; then
    cat build/configure.log >&2
    rm -rf build/CMakeCache.txt build/CMakeFiles build/Makefile
    echo "build: configuring failed; the next run starts over" >&2
    exit 1
  fi
fi
echo "build: building ${target[*]:-everything} in build/"
cmake --build build -j"$(nproc)" "${target[@]}"
