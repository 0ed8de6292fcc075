#!/usr/bin/env bash
# The first pass's interval must hold no page fault: its time is the pass's
# work, not the kernel's first touch of a stack, code or data page. PROGRAM
# is the variant of the program whose clock read is
# tests/fault_counting_clock.cpp, which notes the process's minor faults at
# each counter read; the pass starts at the 1st read and stops at the 3rd.
# Counted, not timed, so the result is the same on a busy machine.
# Whether the pass reaches a stack page nothing touched before depends on
# where main's frame falls within a page, and that moves with the size of
# the environment and with address randomisation. So randomisation is off
# and the environment grows by 256 bytes a run through a whole page: the
# runs see every offset, and one fault in any of them fails the test.
# Usage: page_fault_test.sh PROGRAM
set -euo pipefail
program=$1
step=256

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fixed=(setarch "$(uname -m)" --addr-no-randomize)
if ! "${fixed[@]}" true 2>/dev/null; then
  echo "FAIL: cannot turn address randomisation off here (setarch), so the offsets are not known"
  exit 1
fi
for ((padding = 0; padding < 4096; padding += step)); do
  env STATBENCH_PADDING="$(head -c "$padding" /dev/zero | tr '\0' x)" \
    STATBENCH_FAULT_LOG="$dir/faults" "${fixed[@]}" "$program" </dev/null >"$dir/out"
  if [[ ! -s $dir/faults ]]; then
    echo "FAIL: no fault counts written: the counting clock was not in the program"
    exit 1
  fi
  mapfile -t faults <"$dir/faults"
  if [[ ${#faults[@]} -lt 3 ]]; then
    echo "FAIL: ${#faults[@]} counter reads noted, expected at least 3"
    exit 1
  fi
  inside=$((faults[2] - faults[0]))
  if [[ $inside -ne 0 ]]; then
    echo "FAIL: with $padding bytes more environment, $inside page fault(s) inside the first pass" \
      "(faults at the reads: ${faults[*]})"
    exit 1
  fi
done
echo "ok: no page fault inside the first pass at $((4096 / step)) stack offsets, $step bytes apart across a page (${faults[0]} faults before it)"
