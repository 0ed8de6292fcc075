#!/usr/bin/env bash
# What the shipped Windows program's headers must say beyond its imports:
# - the stack reserve the build sets (Windows reserves the main thread's
#   stack at that size, and main's frame holds the 160 KB of work buffers),
#   and room in it for that frame;
# - stripped the way an old loader expects: no COFF symbol table, and only
#   section names of at most 8 characters, which need no string table.
# Usage: windows_headers_test.sh OBJDUMP PROGRAM STACK_RESERVE
. "$(dirname "$0")/lib.sh"
objdump=$1
program=$2
reserve=$3

status=0
actual=$(pe_field "$objdump" "$program" SizeOfStackReserve)
if [[ $((16#${actual:-0})) -ne $reserve ]]; then
  echo "FAIL: stack reserve 0x${actual:-none}, expected the build's $reserve bytes"
  status=1
fi
# objdump reads a COFF symbol table, if any, as HAS_SYMS among the file's
# flags, which it names on the line after "architecture: ..., flags 0x...:".
flags=$("$objdump" -f "$program" | awk '/^architecture:/ { line = $0; getline; print line, $0 }')
if [[ $flags == *HAS_SYMS* ]]; then
  echo "FAIL: the program carries a symbol table ($flags)"
  status=1
fi
long=$("$objdump" -h "$program" | awk '$1 ~ /^[0-9]+$/ && length($2) > 8 { print $2 }')
if [[ -n $long ]]; then
  echo "FAIL: section names longer than 8 characters: ${long//$'\n'/ }"
  status=1
fi
[[ $status -eq 0 ]] && echo "ok: stack reserve $reserve bytes, no symbol table, section names of 8 characters at most"
exit $status
