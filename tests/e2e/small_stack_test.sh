#!/usr/bin/env bash
# A stack limit too small for main's frame must end the run at start-up with
# one line on standard error saying what the program needs, status 1 and no
# report; without the check the program died by SIGSEGV, silently.
# Usage: small_stack_test.sh PROGRAM
set -euo pipefail
program=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

status=0
(ulimit -s 128 && exec "$program" </dev/null >"$dir/out" 2>"$dir/err") || status=$?
if [[ $status -ne 1 ]]; then
  echo "FAIL: with a 128 KiB stack the exit status was $status, expected 1"
  exit 1
fi
if [[ -s $dir/out ]] || [[ $(wc -l <"$dir/err") -ne 1 ]] ||
  ! grep -qE '^statbench: needs a stack of at least [0-9]+ KiB, but the limit is 128 KiB' "$dir/err"; then
  echo "FAIL: expected no output and one line on what the stack needs; standard error was:"
  cat "$dir/err"
  exit 1
fi
echo "ok: $(cat "$dir/err")"
