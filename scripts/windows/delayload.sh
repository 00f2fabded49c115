#!/usr/bin/env bash
# Import libraries that load their DLL on first use (MinGW's delay-load
# thunks): one lib<NAME>.a per NAME, with every function of the toolchain's
# own import library, written to OUT_DIR. Linked ahead of the toolchain's
# libraries, they make Tarnwick.exe start with the DLLs it needs at once only.
#   delayload.sh OUT_DIR NM DLLTOOL CC NAME...
set -euo pipefail
out="$1" nm="$2" dlltool="$3" cc="$4"
shift 4
mkdir -p "$out"
for name in "$@"; do
  lib="$("$cc" -print-file-name="lib$name.a")"
  [ -f "$lib" ] || { echo "delayload.sh: no import library lib$name.a" >&2; exit 1; }
  dll="$("$dlltool" --identify "$lib" | head -n 1)"
  { echo "LIBRARY $dll"
    echo "EXPORTS"
    "$nm" "$lib" | sed -n 's/^.* I __imp_//p' | sort -u; } >"$out/$name.def"
  "$dlltool" --input-def "$out/$name.def" --dllname "$dll" --output-delaylib "$out/lib$name.a.tmp"
  mv "$out/lib$name.a.tmp" "$out/lib$name.a"
done
