#!/usr/bin/env bash
# Fails when a 32-bit program holds an instruction that an AMD K6-2 lacks
# (tests/k6_classify.awk says which): those builds are for every processor
# from the Pentium up, the K6-2 included, and it stops on the first such
# instruction. Every executable section of the program is read, its
# statically linked runtime included, and every instruction in it is judged,
# whether or not a run reaches it: the only exceptions are the functions
# tests/k6_allowlist.txt names, each behind the CPUID check that keeps a
# K6-2 out, and the data that the MinGW linker places among the code
# (exception tables, constructor lists), found by their symbols.
# The program is stripped: its instructions are named by the nearest symbol
# at or below them in SYMBOLS, its debug file. OBJDUMP must be binutils'
# (its spelling of the instructions and of their bytes).
# Usage: k6_disassembly_test.sh OBJDUMP NM PROGRAM SYMBOLS ALLOWLIST
set -euo pipefail
objdump=$1
nm=$2
program=$3
symbols=$4
allowlist=$5
here=$(dirname "$0")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$nm" -n -C --defined-only "$symbols" >"$work/symbols"
"$objdump" -d --insn-width=16 "$program" >"$work/disassembly"
# "  ADDRESS:<tab>BYTES<tab>TEXT" to "ADDRESS<tab>BYTES<tab>TEXT".
awk -F'\t' '/^ *[0-9a-f]+:\t/ { a = $1; gsub(/[ :]/, "", a); b = $2; gsub(/ /, "", b)
                                print a "\t" b "\t" $3 }' "$work/disassembly" >"$work/code"
if [[ ! -s $work/code ]]; then
  echo "FAIL: $objdump found no instructions in $program"
  exit 1
fi
awk -v allowlist="$allowlist" -v program="$program" -v limit="${K6_LIMIT:-30}" -f "$here/k6_classify.awk" \
  "$work/symbols" "$work/code"
