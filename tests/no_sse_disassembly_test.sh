#!/usr/bin/env bash
# Fails when a 32-bit program holds any SSE instruction: those builds are for
# processors without SSE, which stop on the first one. The whole program is
# read, statically linked runtime included. Code without a symbol of its own
# is labelled by its section (.text, .text.unlikely, .text$..., .text.startup)
# and is checked like the rest; only the tables the MinGW linker places among
# the code (exception tables, constructor lists) are data, not instructions.
# Usage: no_sse_disassembly_test.sh OBJDUMP PROGRAM
set -euo pipefail
objdump=$1
program=$2

# SSE's registers and control register, and its instructions that use
# neither: fences, prefetches, non-temporal stores and the integer
# instructions it added on MMX registers.
sse='%[xyz]mm[0-9]|mxcsr|\b([lsm]fence|prefetch(t[0-2]|nta)|movnt[iq]|maskmovq|pshufw|pavg[bw]|pextrw|pinsrw|pmaxsw|pmaxub|pminsw|pminub|pmovmskb|pmulhuw|psadbw)\b'

listing=$("$objdump" -d --no-show-raw-insn "$program")
code=$(awk '
  /^[0-9a-f]+ <.*>:$/ { name = $2; data = name ~ /^<\.(gcc_except_table|ctors|dtors)/; next }
  /^ / && !data { print name, $0 }' <<<"$listing")
hits=$(grep -E "$sse" <<<"$code" || true)
if [[ -n $hits ]]; then
  echo "FAIL: $program holds SSE instructions:"
  head -20 <<<"$hits"
  exit 1
fi
echo "ok: no SSE instruction in $(wc -l <<<"$code") instructions of $program"
