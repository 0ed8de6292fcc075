#!/usr/bin/env bash
# main's frame holds the four work buffers, 160 KB; it must be probed a page
# at a time at entry, before main calls anything, so that its pages are
# committed before the first pass instead of at their first touch in it. The
# probe is a step of one page down the stack and a store to the new top:
# `sub $0x1000,%rsp` then `or`/`mov $0x0,(%rsp)` (GCC and Clang, 32 and 64
# bits).
# Usage: frame_probe_disassembly_test.sh OBJDUMP PROGRAM
set -euo pipefail
objdump=$1
program=$2

main=$("$objdump" -d --no-show-raw-insn --disassemble=main "$program")
prologue=$(awk '/^[0-9a-f]+ <main>:$/ { on = 1; next } on && (/^$/ || /\tcall/) { exit } on' <<<"$main")
if [[ -z $prologue ]]; then
  echo "FAIL: no main in the disassembly of $program"
  exit 1
fi
if ! grep -A1 -E 'sub +\$0x1000,%[er]sp$' <<<"$prologue" |
    grep -qE '(or|mov)[lq]? +\$0x0,\(%[er]sp\)$'; then
  echo "FAIL: main does not probe its frame before its first call:"
  echo "$prologue"
  exit 1
fi
echo "ok: main probes its frame a page at a time"
