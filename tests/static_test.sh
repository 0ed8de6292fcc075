#!/usr/bin/env bash
# The shipped Linux program must need nothing of the system but its kernel:
# statically linked, so no interpreter (PT_INTERP) and no dynamic segment
# (PT_DYNAMIC) naming libraries to load or symbols to bind.
# Usage: static_test.sh OBJDUMP PROGRAM
. "$(dirname "$0")/lib.sh"
objdump=$1
program=$2

segments=$(elf_segments "$objdump" "$program" | awk '{ print $1 }' | paste -sd' ')
[[ -n $segments ]] || fail "no program headers read from $program"
if grep -qwE 'INTERP|DYNAMIC' <<<"$segments"; then
  fail "$program is dynamically linked: its segments are $segments"
fi
echo "ok: statically linked: no interpreter, no dynamic segment ($segments)"
