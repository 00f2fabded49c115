#!/usr/bin/env bash
# Sets up what is missing, builds the program, and starts it with the given arguments.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/setup.sh"
"$here/build.sh" >&2
exec "$here/../build/src/tarnwick" "$@"
