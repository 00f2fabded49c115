#!/usr/bin/env bash
# Builds unrar.dll for MinGW from Debian's unrar-nonfree source (the same
# release as Linux's libunrar) into a cache outside the tree, once per source
# version. Prints the DLL's path on standard output.
#   unrar.sh CACHE_DIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cache="$1"
out="$cache/unrar"
version="$(apt-cache showsrc unrar-nonfree 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -n 1)"
[ -n "$version" ] || { echo "unrar.sh: no unrar-nonfree source package known to apt" >&2; exit 1; }
key="$(printf '%s\n' "$version" | cat - "$0" | sha256sum | cut -c1-16)"
if [ -f "$out/.key" ] && [ "$(cat "$out/.key")" = "$key" ] && [ -f "$out/unrar.dll" ]; then
  echo "$out/unrar.dll"
  exit 0
fi

echo "windows: building unrar.dll $version (a minute or two, once)" >&2
rm -rf "$out"
mkdir -p "$out/src" "$out/include" "$out/obj"
# apt-get source applies Debian's patches, as for the Linux library.
(cd "$out/src" && apt-get source unrar-nonfree >/dev/null 2>&1) ||
  { echo "unrar.sh: apt-get source unrar-nonfree failed (is a deb-src entry for non-free there?)" >&2; exit 1; }
tree="$(find "$out/src" -maxdepth 1 -type d -name 'unrar-nonfree-*' | head -n 1)"

# The library names two Windows headers in mixed case; MinGW's are lower case.
ln -s /usr/share/mingw-w64/include/powrprof.h "$out/include/PowrProf.h"
ln -s /usr/share/mingw-w64/include/wbemidl.h "$out/include/Wbemidl.h"
# MinGW's comutil.h declares the string conversion that _bstr_t uses but has no
# library for it.
cat >"$out/obj/bstr.cpp" <<'CPP'
#include <windows.h>
#include <oleauto.h>
#include <comutil.h>
namespace _com_util {
BSTR WINAPI ConvertStringToBSTR(const char* text) {
    if (!text) return nullptr;
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0) return nullptr;
    BSTR s = SysAllocStringLen(nullptr, static_cast<UINT>(n - 1));
    if (s) MultiByteToWideChar(CP_ACP, 0, text, -1, s, n);
    return s;
}
}  // namespace _com_util
CPP

objects="$(sed -n '/^OBJECTS=/,/[^\\]$/p' "$tree/makefile" | sed 's/^OBJECTS=//; s/\\//g')"
lib="$(sed -n 's/^LIB_OBJ=//p' "$tree/makefile")"
cxx=x86_64-w64-mingw32-g++-posix
flags=(-O2 -DRARDLL -DSILENT -DUNICODE -D_UNICODE -I"$out/include" -w)
units=()
for o in $objects $lib isnt.o; do units+=("$tree/${o%.o}.cpp"); done
units+=("$out/obj/bstr.cpp")
# Two at a time: the machine is shared.
printf '%s\n' "${units[@]}" | sort -u |
  xargs -P2 -I{} sh -c 'f="{}"; exec "$0" "$@" -c "$f" -o "'"$out"'/obj/$(basename "${f%.cpp}").o"' \
    "$cxx" "${flags[@]}"
"$cxx" -shared -o "$out/unrar.dll" "$out"/obj/*.o "$tree/dll.def" -static -static-libgcc \
  -static-libstdc++ -lpowrprof -lole32 -loleaut32 -lwbemuuid -lshell32 -luser32 -ladvapi32 -Wl,--kill-at
x86_64-w64-mingw32-strip "$out/unrar.dll"
cp "$tree/dll.hpp" "$out/dll.hpp"
rm -rf "$out/src" "$out/obj" "$out/include"
echo "$key" >"$out/.key"
echo "$out/unrar.dll"
