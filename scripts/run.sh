#!/usr/bin/env bash
# Sets up what is missing, builds, and starts Tarnwick with the given arguments.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/setup.sh"
"$here/build.sh" >/dev/null
exec "$here/../build/src/tarnwick" "$@"
