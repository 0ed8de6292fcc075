#!/usr/bin/env bash
# Fails when a 32-bit program holds an instruction that an AMD K6-2 lacks
# (tests/k6_judge.sh says which): those builds are for every processor
# from the Pentium up, the K6-2 included, and it stops on the first such
# instruction. Every executable section of the program is read, its
# statically linked runtime included, and every instruction in it is judged,
# whether or not a run reaches it: the only exceptions are the functions
# tests/k6_allowlist.txt names, each behind the CPUID check that keeps a
# K6-2 out, and the data that the MinGW linker places among the code
# (exception tables, constructor lists), found by their symbols.
# The program is stripped: its instructions are named by the nearest symbol
# at or below them in SYMBOLS, its debug file. OBJDUMP and AS must be
# binutils' (the judge reassembles objdump's text).
# Usage: k6_disassembly_test.sh OBJDUMP NM AS PROGRAM SYMBOLS ALLOWLIST
. "$(dirname "$0")/lib.sh"
objdump=$1
nm=$2
as=$3
program=$4
symbols=$5
allowlist=$6

"$nm" -n -C --defined-only "$symbols" >"$work/symbols"
disassembly "$objdump" -d "$program" >"$work/code"
[[ -s $work/code ]] || fail "$objdump found no instructions in $program"
bash "$(dirname "$0")/k6_judge.sh" "$as" "$work/symbols" "$work/code" "$allowlist" "$program" "${K6_LIMIT:-30}"
