#!/usr/bin/env bash
# A stack limit too small for the program must end the run at start-up with
# one line on standard error saying what it needs, status 1 and no report;
# never a signal (without the check it died by SIGSEGV, silently). What is
# spent before main counts: the environment sits at the top of the stack.
# So every limit from 128 KiB up, 4 KiB apart, with environments of 0, 20
# and 50 KB: each run either refuses, or runs normally; and the limit that
# the message suggests must run normally, with the same environment.
# (Linux refuses to start a program whose arguments and environment exceed a
# quarter of the limit: such a run never reaches it, and is counted apart.)
# Usage: small_stack_test.sh PROGRAM
set -euo pipefail
program=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Runs the program with stack limit $1 KiB and $2 KB more environment; sets
# status and suggested (the limit the message names, or empty).
run() {
  status=0
  suggested=
  (ulimit -s "$1" && exec env STATBENCH_PADDING="$(head -c "$(($2 * 1000))" /dev/zero | tr '\0' x)" \
    "$program" </dev/null >"$dir/out" 2>"$dir/err") || status=$?
  if [[ $status -eq 1 ]]; then
    if [[ -s $dir/out ]] || [[ $(wc -l <"$dir/err") -ne 1 ]] ||
      ! grep -qE "^statbench: needs a stack of at least [0-9]+ KiB, but the limit is $1 KiB \(ulimit -s [0-9]+ raises it\)$" "$dir/err"; then
      echo "FAIL: limit $1 KiB, $2 KB of environment: exit 1 without the one line on the stack; standard error:"
      cat "$dir/err"
      exit 1
    fi
    suggested=$(sed -nE 's/.*\(ulimit -s ([0-9]+) raises it\)$/\1/p' "$dir/err")
  elif [[ $status -eq 0 ]]; then
    if ! head -n 1 "$dir/out" | grep -q 3DNow || ! grep -q '^Ortalama sure: ' "$dir/out"; then
      echo "FAIL: limit $1 KiB, $2 KB of environment: exit 0 without the whole report"
      exit 1
    fi
  elif ! grep -q 'Argument list too long' "$dir/err"; then
    echo "FAIL: limit $1 KiB, $2 KB of environment: exit status $status, expected 0 or 1"
    cat "$dir/err"
    exit 1
  fi
}

for environment in 0 20 50; do
  refused=() ran=() not_started=()
  for ((limit = 128; limit <= 400; limit += 4)); do
    run "$limit" "$environment"
    case $status in
      0) ran+=("$limit") ;;
      1) refused+=("$limit") ;;
      *) not_started+=("$limit") ;;
    esac
    [[ $status -ne 1 ]] || last_suggested=$suggested
  done
  if [[ ${#refused[@]} -eq 0 || ${#ran[@]} -eq 0 ]]; then
    echo "FAIL: $environment KB of environment: no limit from 128 to 400 KiB both refused and ran"
    exit 1
  fi
  run "$last_suggested" "$environment"
  if [[ $status -ne 0 ]]; then
    echo "FAIL: $environment KB of environment: the suggested limit, $last_suggested KiB, gave status $status"
    exit 1
  fi
  echo "ok: $environment KB of environment: refused at ${refused[0]}-${refused[-1]} KiB," \
    "ran at ${ran[0]}-${ran[-1]} KiB${not_started:+, not started by Linux at ${not_started[0]}-${not_started[-1]} KiB}," \
    "and at the suggested $last_suggested KiB"
done
