#!/usr/bin/env bash
# Runs a command under QEMU's user-mode emulation with tests/k6_plugin.c
# watching every instruction executed inside PROGRAM's image, then judges
# them with tests/k6_classify.awk, as tests/k6_disassembly_test.sh judges
# the disassembly: the same list, the same allowlist, the same names from
# SYMBOLS. So a run shows which of the instructions a K6-2 lacks are really
# reached, and in what order, on an emulated processor that has them.
#
# The image is a PE program's from its base to base + SizeOfImage (under
# Wine, inside the emulator, the program is mapped there), or a static ELF
# program's load segments. A position-independent program is refused: where
# QEMU loads it is not known before the run.
#
# Exit status: the command's, or 3 when the program executed an instruction
# a K6-2 lacks (whatever the command's status: QEMU itself stops with SIGILL
# on one that its processor model lacks). The verdict goes to standard
# error, so that the command's output stays as it was.
# Usage: k6_watch.sh OBJDUMP NM PROGRAM SYMBOLS ALLOWLIST PLUGIN -- QEMU [ARG...]
set -euo pipefail
objdump=$1
nm=$2
program=$3
symbols=$4
allowlist=$5
plugin=$6
[[ $7 == -- ]] || { echo "k6_watch.sh: want -- before the emulator" >&2; exit 2; }
shift 7
qemu=$1
shift
here=$(dirname "$0")

headers=$("$objdump" -p "$program")
flags=$("$objdump" -f "$program")
if grep -qE '^ImageBase' <<<"$headers"; then
  base=$(awk '$1 == "ImageBase" { print $2 }' <<<"$headers")
  size=$(awk '$1 == "SizeOfImage" { print $2 }' <<<"$headers")
  low=$((16#$base))
  high=$((low + 16#$size))
elif grep -qw EXEC_P <<<"$flags" && ! grep -qw DYNAMIC <<<"$flags"; then
  low=
  high=0
  # "LOAD off O vaddr V ...", then "filesz F memsz M flags ...".
  while read -r vaddr memsz; do
    [[ -n $low ]] && ((vaddr >= low)) || low=$((vaddr))
    ((vaddr + memsz <= high)) || high=$((vaddr + memsz))
  done < <(awk '$1 == "LOAD" { vaddr = $5; next } vaddr != "" && $1 == "filesz" { print vaddr, $4; vaddr = "" }' \
             <<<"$headers")
  [[ -n $low ]] || { echo "FAIL: no load segment in $program" >&2; exit 2; }
else
  echo "FAIL: $program is position-independent: where QEMU loads it is not known before the run" >&2
  exit 2
fi
low=$(printf '%#x' "$low")
high=$(printf '%#x' "$high")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
"$qemu" -plugin "$plugin,low=$low,high=$high,out=$work/record" "$@" || status=$?

"$nm" -n -C --defined-only "$symbols" >"$work/symbols"
# The first executions (F) and, after a normal exit, the counts (C): one
# line for each instruction, with "?" for a count the run did not reach.
# A guest that forked left an F line per process: the first one counts.
awk -F'\t' '$1 == "F" { key = $2 "\t" $3; if (!(key in first)) { first[key] = $4; text[key] = $5 } }
            $1 == "C" { count[$2 "\t" $3] += $4 }
            END { for (key in first)
                    print key "\t" text[key] "\t" first[key] "\t" (key in count ? count[key] : "?") }' \
  "$work/record" 2>/dev/null >"$work/executed" || true
if [[ ! -s $work/executed ]]; then
  echo "FAIL: nothing executed in $program's image [$low, $high) (status $status)" >&2
  exit $((status == 0 ? 1 : status))
fi
verdict=0
awk -v allowlist="$allowlist" -v program="$program" -v limit=10 -f "$here/k6_classify.awk" \
  "$work/symbols" "$work/executed" >&2 || verdict=$?
if [[ $verdict -eq 1 ]]; then
  [[ $status -eq 0 ]] || echo "(the emulated run ended with status $status)" >&2
  exit 3
elif [[ $verdict -ne 0 ]]; then
  exit 2
fi
exit $status
