#!/usr/bin/env bash
# Fails when the built scalar kernels hold packed SIMD arithmetic: they are
# the scalar side of the comparison, so the compiler must not vectorise them.
# Usage: scalar_disassembly_test.sh OBJDUMP LIBRARY
. "$(dirname "$0")/lib.sh"
objdump=$1
library=$2

listing=$("$objdump" -d -C --no-show-raw-insn "$library")
packed='\b(v?(add|sub|mul|div)p[sd]|vf(n?m(add|sub)|maddsub|msubadd)[0-9]*p[sd]|v?h(add|sub)p[sd])\b'

found=0
status=0
for kernel in sumValues fillMean subtractScalar squareScalar; do
  # A function's listing runs from its "<name(...)>:" line to the blank line.
  body=$(awk -v name="$kernel" '
    /^[0-9a-f]+ <.*>:$/ { inside = index($0, "statbench::" name "(") > 0; next }
    /^$/ { inside = 0 }
    inside { print }' <<<"$listing")
  if [[ -z $body ]]; then
    echo "FAIL: no code found for $kernel in $library"
    status=1
    continue
  fi
  found=$((found + 1))
  hits=$(grep -E "$packed" <<<"$body" || true)
  if [[ -n $hits ]]; then
    echo "FAIL: $kernel holds packed arithmetic:"
    echo "$hits"
    status=1
  else
    echo "ok: $kernel ($(wc -l <<<"$body") instructions, none packed)"
  fi
done
[[ $found -eq 4 ]] || status=1
exit $status
