#!/usr/bin/env bash
# Fails when a 32-bit program holds any SSE instruction: those builds are for
# processors without SSE, which stop on the first one. The whole program is
# read, statically linked runtime included; blocks whose label starts with a
# dot are tables the linker placed among the code, not code.
# Usage: no_sse_disassembly_test.sh OBJDUMP PROGRAM
set -euo pipefail
objdump=$1
program=$2

# SSE's registers and control register, and its instructions that use
# neither: fences, prefetches, non-temporal stores and the integer
# instructions it added on MMX registers.
sse='%[xyz]mm[0-9]|mxcsr|\b([lsm]fence|prefetch(t[0-2]|nta)|movnt[iq]|maskmovq|pshufw|pavg[bw]|pextrw|pinsrw|pmaxsw|pmaxub|pminsw|pminub|pmovmskb|pmulhuw|psadbw)\b'

hits=$("$objdump" -d --no-show-raw-insn "$program" | awk -v sse="$sse" '
  /^[0-9a-f]+ <.*>:$/ { name = $2; code = name !~ /^<\./; next }
  code && $0 ~ sse { print name, $0 }')
if [[ -n $hits ]]; then
  echo "FAIL: $program holds SSE instructions:"
  head -20 <<<"$hits"
  exit 1
fi
echo "ok: no SSE instruction in $($objdump -d "$program" | grep -c '^ ') instructions of $program"
