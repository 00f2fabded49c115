#!/usr/bin/env bash
# Installs what a Debian 12 machine lacks to build Tarnwick (and, with --test, to
# test it). Quick when everything is already there: it asks dpkg first and only
# touches apt when a package is missing.
set -euo pipefail

want=(cmake g++ qt6-base-dev libjpeg-dev libunrar5)
if [ "${1:-}" = "--test" ]; then
  want+=(rar unrar libunrar-headers xvfb xdotool libgtest-dev)
fi

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi

# libunrar5, rar and unrar live in Debian's non-free component.
add_non_free() {
  local f
  for f in /etc/apt/sources.list.d/debian.sources; do
    [ -f "$f" ] || continue
    if ! grep -qE '^Components:.*\bnon-free\b' "$f"; then
      $sudo sed -i -E '/^Components:/{/\bnon-free\b/!s/$/ non-free/}' "$f"
    fi
    return 0
  done
  # Older one-line format.
  if [ -f /etc/apt/sources.list ] && grep -qE '^deb ' /etc/apt/sources.list; then
    $sudo sed -i -E '/^deb .*debian/{/\bnon-free\b/!s/$/ non-free/}' /etc/apt/sources.list
  fi
}
add_non_free

export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
