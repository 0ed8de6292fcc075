#!/usr/bin/env bash
# Fails when a 32-bit program holds any SSE instruction: those builds are for
# processors without SSE, which stop on the first one. The whole program is
# read, statically linked runtime included. Code without a symbol of its own
# is labelled by its section (.text, .text.unlikely, .text$..., .text.startup)
# and is checked like the rest; only the tables the MinGW linker places among
# the code (exception tables, constructor lists) are data, not instructions.
# The program is stripped: its instructions are named by the nearest symbol
# at or below them in SYMBOLS, its debug file.
# Usage: no_sse_disassembly_test.sh OBJDUMP NM PROGRAM SYMBOLS
set -euo pipefail
objdump=$1
nm=$2
program=$3
symbols=$4

# SSE's registers and control register, and its instructions that use
# neither: fences, prefetches, non-temporal stores and the integer
# instructions it added on MMX registers.
sse='%[xyz]mm[0-9]|mxcsr|\b([lsm]fence|prefetch(t[0-2]|nta)|movnt[iq]|maskmovq|pshufw|pavg[bw]|pextrw|pinsrw|pmaxsw|pmaxub|pminsw|pminub|pmovmskb|pmulhuw|psadbw)\b'

# Addresses as 16 hex digits compare as strings, in any awk.
code=$({
  "$nm" -n --defined-only "$symbols" |
    awk 'function pad(a) { a = sprintf("%16s", a); gsub(/ /, "0", a); return a }
         NF == 3 { print pad($1) "\tS\t" $3 }'
  "$objdump" -d --no-show-raw-insn "$program" |
    awk -F'\t' 'function pad(a) { a = sprintf("%16s", a); gsub(/ /, "0", a); return a }
         /^ *[0-9a-f]+:\t/ { a = $1; gsub(/[ :]/, "", a); print pad(a) "\tI\t" $2 }'
} | LC_ALL=C sort -t$'\t' -k1,1 -k2,2r |
  awk -F'\t' '$2 == "S" { name = $3; data = name ~ /^(\.gcc_except_table|\.ctors|\.dtors|_*[CD]TOR_LIST__)/; next }
       !data { print "<" name "> " $1 ": " $3 }')
hits=$(grep -E "$sse" <<<"$code" || true)
if [[ -n $hits ]]; then
  echo "FAIL: $program holds SSE instructions:"
  head -20 <<<"$hits"
  exit 1
fi
echo "ok: no SSE instruction in $(wc -l <<<"$code") instructions of $program"
