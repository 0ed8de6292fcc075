#!/usr/bin/env bash
# main's frame holds the four work buffers, 160 KB; it must be probed a page
# at a time at entry, before main calls anything, so that its pages are
# committed before the first pass instead of at their first touch in it. The
# probe is a step of one page down the stack and a store to the new top:
# `sub $0x1000,%rsp` then `or`/`mov $0x0,(%rsp)` (GCC and Clang, 32 and 64
# bits; GNU and LLVM objdump spell them a little differently). The program
# is stripped: main is found in its debug file, PROGRAM.debug.
# Usage: frame_probe_disassembly_test.sh OBJDUMP NM PROGRAM
. "$(dirname "$0")/lib.sh"
objdump=$1
nm=$2
program=$3

# No main: read meets the end, which must not end the script before it says so.
read -r start size < <("$nm" -S --defined-only "$program.debug" | awk '$4 == "main" { print $1, $2 }') || true
[[ -n ${start:-} ]] || fail "no main in the symbols of $program.debug"
prologue=$("$objdump" -d --no-show-raw-insn --start-address=$((16#$start)) \
  --stop-address=$((16#$start + 16#$size)) "$program" | awk '/\tcall/ { done = 1 } /^ / && !done { print }')
if ! grep -A1 -E 'sub[lq]?\s+\$(0x1000|4096), ?%[er]sp(\s|$)' <<<"$prologue" |
    grep -qE '(or|mov)[lq]?\s+\$(0x0|0), ?\(%[er]sp\)(\s|$)'; then
  fail_showing <(echo "$prologue") "main does not probe its frame before its first call:"
fi
echo "ok: main probes its frame a page at a time"
