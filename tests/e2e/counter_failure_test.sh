#!/usr/bin/env bash
# A counter that fails in the middle of a run: the stopwatch's failure must
# end the process abnormally (uncaught, so through abort), and everything the
# program had printed before it must be there, byte for byte. PROGRAM is the
# variant of the program whose clock read is tests/failing_clock.cpp: it
# lets CLOCK_MONOTONIC answer READS times and fail after.
# Each pass reads the counter three times: twice in start (the restart and
# the reading it returns) and once in stop. So with READS = 0 or 1 the first
# start fails and only the probe line is out; with 2 the first stop fails
# after the statistics lines; with 3 or 4 (3DNow! only) the second start
# fails after the first report and the packed pass's heading; with 5 the
# second stop fails after its statistics lines.
# Usage: counter_failure_test.sh [--3dnow] READS PROGRAM [LAUNCHER...]
#   A launcher is an emulator that takes -E VAR=VALUE for its guest's
#   environment (qemu-user): the setting must reach the program, not it.
. "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/expected_output.sh"
passes=1
if [[ $1 == --3dnow ]]; then
  passes=2
  shift
fi
reads=$1
program=$2
shift 2
launcher=("$@")

case $reads in
  0 | 1) lines=1 ;;
  2) lines=5 ;;
  3 | 4) lines=12 ;;
  5) lines=16 ;;
  *) echo "no expectation for $reads reads" >&2; exit 2 ;;
esac
if [[ $passes -eq 1 && $lines -gt 5 ]]; then
  echo "with one pass the counter is read only three times" >&2
  exit 2
fi

setting=STATBENCH_CLOCK_READS_BEFORE_FAILURE=$reads
status=0
if [[ ${#launcher[@]} -eq 0 ]]; then
  env "$setting" "$program" </dev/null >"$work/out" 2>"$work/err" || status=$?
else
  "${launcher[@]}" -E "$setting" "$program" </dev/null >"$work/out" 2>"$work/err" || status=$?
fi

[[ $status -eq 134 ]] || fail_showing "$work/err" "exit status $status, expected 134 (ended by SIGABRT)"
# The C++ runtime names the exception on its way to abort; that it is the
# counter's failure shows the run ended where the shim made it fail.
grep -qF 'Win32HighResTimer error - QueryPerformanceCounter()' "$work/err" ||
  fail_showing "$work/err" "the run did not end with the counter's failure:"
# Not piped into head, which may exit before the writer is done: under
# pipefail the writer's SIGPIPE would fail the test.
expected_output "$passes" >"$work/whole"
head -n "$lines" "$work/whole" >"$work/expected"
hide_times "$work/out" >"$work/normal"
same_bytes "$work/expected" "$work/normal" "the output before the failure differs from the first $lines lines of a run"
echo "ok: ended by SIGABRT after $reads counter reads, the $lines lines before it intact"
