# shellcheck shell=bash
# The opening every test script shares, sourced first:
#   . "$(dirname "$0")/lib.sh"     (tests/e2e: "$(dirname "$0")/../lib.sh")
# Strict mode, a scratch directory $work that goes on every exit, and what
# several scripts read or compare the same way.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*"
  exit 1
}

# fail_showing FILE MESSAGE...: fails as fail does, with FILE shown after the
# message (a program's error output, a listing; <(echo "$text") for a text).
fail_showing() {
  echo "FAIL: ${*:2}"
  cat "$1"
  exit 1
}

# same_bytes EXPECTED ACTUAL WHAT: fails, showing the bytes where the two
# files differ, unless they are the same byte for byte.
same_bytes() {
  cmp -s "$1" "$2" && return 0
  echo "FAIL: $3:"
  diff <(od -c "$1") <(od -c "$2") || true
  exit 1
}

# pe_field OBJDUMP PROGRAM FIELD: a field of a PE program's headers as
# objdump -p prints it (hex for addresses and sizes); empty if it has none.
# awk reads to the end: were it to stop early, objdump would die of SIGPIPE
# and, under pipefail, fail the caller.
pe_field() {
  "$1" -p "$2" | awk -v field="$3" '$1 == field && !found { print $2; found = 1 }'
}

# elf_segments OBJDUMP PROGRAM: an ELF program's headers, one a line:
# TYPE VADDR MEMSZ (hex, as objdump prints them). GNU and LLVM objdump both
# print "TYPE off O vaddr V paddr P align A", then "filesz F memsz M flags".
elf_segments() {
  "$1" -p "$2" | awk '$2 == "off" { type = $1; vaddr = $5; next }
                      type != "" && $1 == "filesz" { print type, vaddr, $4; type = "" }'
}

# disassembly OBJDUMP ARG...: the instructions objdump disassembles with
# ARG..., one a line: ADDRESS<tab>BYTES<tab>TEXT, address and bytes in hex
# without spaces.
disassembly() {
  "$1" --insn-width=16 "${@:2}" |
    awk -F'\t' '/^ *[0-9a-f]+:\t/ { a = $1; gsub(/[ :]/, "", a); b = $2; gsub(/ /, "", b)
                                    print a "\t" b "\t" $3 }'
}
