#!/usr/bin/env bash
# main's frame holds the four work buffers, 160 KB; it must be probed a page
# at a time at entry, before main calls anything, so that its pages are
# committed before the first pass instead of at their first touch in it. The
# probe is a step of one page down the stack and a store to the new top:
# `sub $0x1000,%rsp` then `or`/`mov $0x0,(%rsp)` (GCC and Clang, 32 and 64
# bits; GNU and LLVM objdump spell them a little differently).
# Usage: frame_probe_disassembly_test.sh OBJDUMP PROGRAM
set -euo pipefail
objdump=$1
program=$2

# Whole, then cut: GNU and LLVM objdump name the option for one function
# differently.
disassembly=$("$objdump" -d --no-show-raw-insn "$program")
prologue=$(awk '/^[0-9a-f]+ <main>:$/ { on = 1; next } on && (/^$/ || /\tcall/) { exit } on' \
  <<<"$disassembly")
if [[ -z $prologue ]]; then
  echo "FAIL: no main in the disassembly of $program"
  exit 1
fi
if ! grep -A1 -E 'sub[lq]?\s+\$(0x1000|4096), ?%[er]sp(\s|$)' <<<"$prologue" |
    grep -qE '(or|mov)[lq]?\s+\$(0x0|0), ?\(%[er]sp\)(\s|$)'; then
  echo "FAIL: main does not probe its frame before its first call:"
  echo "$prologue"
  exit 1
fi
echo "ok: main probes its frame a page at a time"
