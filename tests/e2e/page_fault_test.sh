#!/usr/bin/env bash
# The first pass's interval must hold no page fault: its time is the pass's
# work, not the kernel's first touch of a stack, code or data page. A
# preloaded library (tests/fault_counting_clock.cpp) notes the process's
# minor faults at each counter read; the pass starts at the 1st read and
# stops at the 3rd. Counted, not timed, so the result is the same on a busy
# machine. Three runs, as address randomisation moves page boundaries.
# Usage: page_fault_test.sh SHIM PROGRAM
set -euo pipefail
shim=$(realpath "$1")  # the loader looks a bare name up in its own paths
program=$2

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
for run in 1 2 3; do
  env LD_PRELOAD="$shim" STATBENCH_FAULT_LOG="$dir/faults" "$program" </dev/null >"$dir/out"
  if [[ ! -s $dir/faults ]]; then
    echo "FAIL: no fault counts written: the library did not reach the program"
    exit 1
  fi
  mapfile -t faults <"$dir/faults"
  if [[ ${#faults[@]} -lt 3 ]]; then
    echo "FAIL: ${#faults[@]} counter reads noted, expected at least 3"
    exit 1
  fi
  inside=$((faults[2] - faults[0]))
  if [[ $inside -ne 0 ]]; then
    echo "FAIL: run $run: $inside page fault(s) inside the first pass (faults at the reads: ${faults[*]})"
    exit 1
  fi
  echo "ok: run $run: no page fault inside the first pass (${faults[0]} before it)"
done
