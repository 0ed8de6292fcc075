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
. "$(dirname "$0")/../lib.sh"
program=$1
step=256

fixed=(setarch "$(uname -m)" --addr-no-randomize)
"${fixed[@]}" true 2>/dev/null ||
  fail "cannot turn address randomisation off here (setarch), so the offsets are not known"
for ((padding = 0; padding < 4096; padding += step)); do
  env STATBENCH_PADDING="$(head -c "$padding" /dev/zero | tr '\0' x)" \
    STATBENCH_FAULT_LOG="$work/faults" "${fixed[@]}" "$program" </dev/null >"$work/out"
  [[ -s $work/faults ]] || fail "no fault counts written: the counting clock was not in the program"
  mapfile -t faults <"$work/faults"
  [[ ${#faults[@]} -ge 3 ]] || fail "${#faults[@]} counter reads noted, expected at least 3"
  inside=$((faults[2] - faults[0]))
  [[ $inside -eq 0 ]] || fail "with $padding bytes more environment, $inside page fault(s) inside the" \
    "first pass (faults at the reads: ${faults[*]})"
done
echo "ok: no page fault inside the first pass at $((4096 / step)) stack offsets, $step bytes apart across a page (${faults[0]} faults before it)"
