#!/usr/bin/env bash
# Makes the Wine prefix that the 32-bit Windows build runs in, with the
# 64-bit Wine, natively: the 32-bit half of wineboot cannot run where 32-bit
# x86 code runs only under qemu-i386 (it fails with c0000135, kernel32.dll
# not found, and leaves drive_c/windows/syswow64 empty). The 32-bit DLLs are
# then linked in from Wine's i386 builtins, as wineboot would have put them.
# The same prefix serves a machine that runs i386 code natively.
# Usage: wine_prefix.sh WINE64 PREFIX
set -euo pipefail
wine64=$1
prefix=$2
builtins=/usr/lib/i386-linux-gnu/wine/i386-windows

if [[ ! -d $builtins ]]; then
  echo "no $builtins; install the Debian package wine32:i386" >&2
  exit 1
fi
rm -rf "$prefix"
# A server of its own, ended with the prefix made; the tests start theirs.
WINEPREFIX=$prefix WINEDEBUG=-all "$wine64" wineboot --init </dev/null >/dev/null 2>&1
WINEPREFIX=$prefix "$(dirname "$wine64")/wineserver" -w
syswow64=$prefix/drive_c/windows/syswow64
mkdir -p "$syswow64"
ln -sf "$builtins"/* "$syswow64"/
echo "prefix $prefix made, $(ls "$builtins" | wc -l) 32-bit builtins linked in"
