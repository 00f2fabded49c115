#!/usr/bin/env bash
# Sets up what is missing, builds everything, and runs every test.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/setup.sh" --test
"$here/build.sh" --test
# rar stores the names of the test archives' files as the locale spells them:
# a bare C locale (a fresh root shell) would mangle every non-ASCII name.
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
  export LC_ALL=C.UTF-8
fi
cd "$here/../build"
ctest --output-on-failure "$@"
