#!/usr/bin/env bash
# The shipped Linux program must need nothing of the system but its kernel:
# statically linked, so no interpreter (PT_INTERP) and no dynamic segment
# (PT_DYNAMIC) naming libraries to load or symbols to bind.
# Usage: static_test.sh OBJDUMP PROGRAM
set -euo pipefail
objdump=$1
program=$2

# GNU and LLVM objdump both list the program headers by type, one a line.
segments=$("$objdump" -p "$program" | awk '$2 == "off" { print $1 }')
if [[ -z $segments ]]; then
  echo "FAIL: no program headers read from $program"
  exit 1
fi
if grep -qxE 'INTERP|DYNAMIC' <<<"$segments"; then
  echo "FAIL: $program is dynamically linked: its segments are $(echo $segments)"
  exit 1
fi
echo "ok: statically linked: no interpreter, no dynamic segment ($(echo $segments))"
