#!/usr/bin/env bash
# The shipped Linux program must need nothing of the system but its kernel:
# statically linked, so no interpreter (PT_INTERP) and no dynamic section
# naming libraries to load or symbols to bind.
# Usage: static_test.sh OBJDUMP PROGRAM
set -euo pipefail
objdump=$1
program=$2

headers=$("$objdump" -p "$program")
if grep -qE '^ *INTERP ' <<<"$headers"; then
  echo "FAIL: $program names an interpreter: it is dynamically linked"
  exit 1
fi
if grep -q 'Dynamic Section:' <<<"$headers"; then
  echo "FAIL: $program has a dynamic section:"
  sed -n '/Dynamic Section:/,/^$/p' <<<"$headers"
  exit 1
fi
echo "ok: statically linked, no interpreter, no dynamic section"
