#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/setup.sh" --test
"$here/build.sh"
cd "$here/../build"
ctest --output-on-failure "$@"
