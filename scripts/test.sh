#!/usr/bin/env bash
# Sets up what is missing, builds everything, and runs every test.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/setup.sh" --test
"$here/build.sh" --test
cd "$here/../build"
ctest --output-on-failure "$@"
