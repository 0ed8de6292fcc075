#!/usr/bin/env bash
# Runs a command under QEMU's user-mode emulation with QEMU logging the code
# it translates inside PROGRAM's image (-d in_asm), then judges those
# instructions with tests/k6_judge.sh, as tests/k6_disassembly_test.sh
# judges the disassembly: the same judge, the same allowlist, the same names
# from SYMBOLS. So a run shows which of the instructions a K6-2 lacks are
# really reached, and in what order, on an emulated processor that has them.
#
# QEMU logs a block of code when it first translates it, and a block ends at
# the first branch, so what it logs is what ran, in the order it first ran
# (but for what follows a fault in the same block). Its text is Capstone's:
# only the bytes are taken from it, and binutils' objdump reads them again.
# Where the emulated processor refuses an instruction, QEMU stops reading it
# there: the block's last bytes are the start of it, and the whole of it is
# read from PROGRAM. (A branch's target in the verdict is where it would go
# in the file of the blocks that objdump reads, not in PROGRAM.)
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
# Usage: k6_watch.sh OBJDUMP NM AS PROGRAM SYMBOLS ALLOWLIST -- QEMU [ARG...]
. "$(dirname "$0")/lib.sh"
objdump=$1
nm=$2
as=$3
program=$4
symbols=$5
allowlist=$6
[[ ${7:-} == -- ]] || { echo "k6_watch.sh: want -- before the emulator" >&2; exit 2; }
shift 7
qemu=$1
shift

base=$(pe_field "$objdump" "$program" ImageBase)
flags=$("$objdump" -f "$program")
if [[ -n $base ]]; then
  low=$((16#$base))
  high=$((low + 16#$(pe_field "$objdump" "$program" SizeOfImage)))
elif grep -qw EXEC_P <<<"$flags" && ! grep -qw DYNAMIC <<<"$flags"; then
  low=
  high=0
  while read -r type vaddr memsz; do
    [[ $type == LOAD ]] || continue
    [[ -n $low ]] && ((vaddr >= low)) || low=$((vaddr))
    ((vaddr + memsz <= high)) || high=$((vaddr + memsz))
  done < <(elf_segments "$objdump" "$program")
  [[ -n $low ]] || { echo "FAIL: no load segment in $program" >&2; exit 2; }
else
  echo "FAIL: $program is position-independent: where QEMU loads it is not known before the run" >&2
  exit 2
fi

status=0
# The range's end is inclusive.
"$qemu" -d in_asm -dfilter "$(printf '%#x..%#x' "$low" $((high - 1)))" -D "$work/log" "$@" || status=$?

# Each block's bytes, once: "ADDRESS<tab>BYTES" from lines "0xADDRESS:  BYTES  TEXT", the long
# instructions continued on lines of their own ("0xADDRESS:  BYTES").
hex='function hex(s,    n, k) {
       for (k = 1; k <= length(s); k++)
         n = n * 16 + index("0123456789abcdef", substr(s, k, 1)) - 1
       return n
     }'
touch "$work/log"
awk "$hex"'
  function flush() {
    if (bytes != "" && !((start, bytes) in seen)) {
      seen[start, bytes]
      print start "\t" bytes
    }
    bytes = ""
  }
  !/^0x[0-9a-f]+:  / {
    flush()
    next
  }
  {
    address = hex(substr($1, 3, length($1) - 3))
    if (bytes != "" && address != next_address)
      flush()  # not the same block: another process'"'"'s lines
    if (bytes == "")
      start = sprintf("%08x", address)
    for (k = 2; k <= NF && $k ~ /^[0-9a-f][0-9a-f]$/; k++)
      bytes = bytes $k
    next_address = address + k - 2
  }
  END { flush() }' "$work/log" >"$work/blocks"
if [[ ! -s $work/blocks ]]; then
  printf 'FAIL: nothing executed in %s'"'"'s image [%#x, %#x) (status %d)\n' "$program" "$low" "$high" \
    "$status" >&2
  exit $((status == 0 ? 1 : status))
fi

# The blocks one after another, each followed by 16 one-byte NOPs, so that
# an instruction cut short ends there and the next block starts afresh.
LC_ALL=C awk -F'\t' 'BEGIN { for (k = 0; k < 256; k++) byte[sprintf("%02x", k)] = k }
                     { for (k = 1; k < length($2); k += 2) printf "%c", byte[substr($2, k, 2)]
                       printf "%s", "\220\220\220\220\220\220\220\220\220\220\220\220\220\220\220\220" }' \
  "$work/blocks" >"$work/blocks.bin"
disassembly "$objdump" -D -b binary -m i386 "$work/blocks.bin" >"$work/blocks.s"

# "ADDRESS<tab>BYTES<tab>TEXT<tab>FIRST" for each distinct instruction, FIRST
# the order first translated; those cut short to $work/cut, with the bytes
# logged and the text as the padding completed them.
awk -F'\t' -v cut="$work/cut" "$hex"'
  BEGIN { block = 1 }
  FILENAME == ARGV[1] {
    start[NR] = hex($1)
    size[NR] = length($2) / 2
    offset[NR] = total
    total += size[NR] + 16
    next
  }
  {
    at = hex($1)
    b = $2
    while ((block + 1) in offset && offset[block + 1] <= at)
      block++
    inside = at - offset[block]
    if (inside >= size[block])
      next  # the padding
    address = sprintf("%08x", start[block] + inside)
    whole = inside + length(b) / 2 <= size[block]
    b = substr(b, 1, 2 * (size[block] - inside))
    if ((address, b) in seen)
      next
    seen[address, b]
    if (whole)
      print address "\t" b "\t" $3 "\t" first++
    else
      print address "\t" b "\t" $3 "\t" first++ > cut
  }' "$work/blocks" "$work/blocks.s" >"$work/code"

# An instruction cut short, from PROGRAM, where it starts with the bytes
# logged; otherwise as the padding completed it.
touch "$work/cut"
while IFS=$'\t' read -r address logged text first; do
  whole=$(disassembly "$objdump" -d --start-address=0x"$address" --stop-address=$((16#$address + 16)) \
    "$program" | sed -n 1p | cut -f 2,3)
  [[ -n $whole && ${whole%%$'\t'*} == "$logged"* ]] || whole=$logged$'\t'$text
  printf '%s\t%s\t%s\n' "$address" "$whole" "$first" >>"$work/code"
done <"$work/cut"

"$nm" -n -C --defined-only "$symbols" >"$work/symbols"
verdict=0
bash "$(dirname "$0")/k6_judge.sh" "$as" "$work/symbols" "$work/code" "$allowlist" "$program" 10 >&2 ||
  verdict=$?
if [[ $verdict -eq 1 ]]; then
  [[ $status -eq 0 ]] || echo "(the emulated run ended with status $status)" >&2
  exit 3
elif [[ $verdict -ne 0 ]]; then
  exit 2
fi
exit $status
