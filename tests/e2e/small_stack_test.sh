#!/usr/bin/env bash
# A stack limit too small for the program must end the run at start-up with
# one line on standard error saying what it needs, status 1 and no report;
# never a signal (without the check it died by SIGSEGV, silently). What is
# spent before main counts: the environment sits at the top of the stack,
# and it is exactly the padding each run is given, whatever the caller's.
# With address randomisation off the stack starts at the same place in every
# run, so the boundary is exact: for environments of 0 to 70 KB, every limit
# within 12 KiB of the need the message names, 1 KiB apart, must refuse
# below it and run the whole report from it on. (Linux refuses to start a
# program whose arguments and environment exceed both 128 KiB and a quarter
# of the limit: such a run never reaches the program, and is counted apart.) The message
# is written without stdio, so it shows down to about the smallest limit at
# which the C start-up itself survives. The limit it suggests, which
# allows for the random start of a normal run's stack, must run too.
# Usage: small_stack_test.sh PROGRAM
. "$(dirname "$0")/../lib.sh"
program=$1
fixed=("$(command -v setarch)" "$(uname -m)" --addr-no-randomize)
"${fixed[@]}" true 2>/dev/null ||
  fail "cannot turn address randomisation off here (setarch), so the boundary is not known"
message='^statbench: needs a stack of at least ([0-9]+) KiB, but the limit is LIMIT KiB \(ulimit -s ([0-9]+) raises it\)$'

# Runs the program with stack limit $1 KiB and the padding in the
# environment, randomisation off unless $2 says "random"; sets status, and
# needed and suggested from the message (empty without one).
run() {
  local launcher=("${fixed[@]}")
  [[ ${2:-} != random ]] || launcher=()
  status=0
  needed=
  suggested=
  (ulimit -s "$1" && exec env -i STATBENCH_PADDING="$padding" "${launcher[@]}" "$program" \
    </dev/null >"$work/out" 2>"$work/err") || status=$?
  case $status in
    1)
      if [[ -s $work/out || $(wc -l <"$work/err") -ne 1 ]] || ! grep -qE "${message/LIMIT/$1}" "$work/err"
      then
        fail_showing "$work/err" "limit $1 KiB, $environment KB of environment: exit 1 without the one line" \
          "on the stack; standard error:"
      fi
      needed=$(sed -nE "s/${message/LIMIT/$1}/\\1/p" "$work/err")
      suggested=$(sed -nE "s/${message/LIMIT/$1}/\\2/p" "$work/err")
      ;;
    0)
      if ! head -n 1 "$work/out" | grep -q 3DNow || ! grep -q '^Ortalama sure: ' "$work/out"; then
        fail "limit $1 KiB, $environment KB of environment: exit 0 without the whole report"
      fi
      ;;
    *)
      grep -q 'Argument list too long' "$work/err" ||
        fail_showing "$work/err" "limit $1 KiB, $environment KB of environment: exit status $status, expected 0 or 1"
      ;;
  esac
}

for environment in $(seq 0 5 70); do
  padding=$(head -c "$((environment * 1000))" /dev/zero | tr '\0' x)
  # Small limits, down to near the smallest the C start-up survives (about
  # 19 KiB above the environment): refused, each naming the same need.
  kib=$(((environment * 1000 + 1023) / 1024))
  boundary=
  for limit in $((kib + 24)) $((kib + 32)) $((kib + 64)) $((kib + 128)); do
    run "$limit"
    if [[ $status -ne 1 || ${boundary:-$needed} != "$needed" ]]; then
      fail "$environment KB of environment: status $status at $limit KiB, which cannot hold the" \
        "work buffers${boundary:+, or a need other than $boundary KiB named}"
    fi
    boundary=$needed advice=$suggested
  done
  not_started=0
  for ((limit = boundary - 12; limit <= boundary + 12; ++limit)); do
    run "$limit"
    if [[ $status -gt 1 ]]; then
      not_started=$((not_started + 1))
    elif [[ $limit -lt $boundary && $status -ne 1 ]] || [[ $limit -ge $boundary && $status -ne 0 ]]; then
      fail "$environment KB of environment: status $status at $limit KiB, the need named being $boundary KiB"
    fi
  done
  for _ in 1 2 3; do
    run "$advice" random
    [[ $status -eq 0 ]] || fail "$environment KB of environment: the suggested limit, $advice KiB, gave status" \
      "$status with the stack at a random start"
  done
  echo "ok: $environment KB of environment: refused below $boundary KiB, ran from it on," \
    "and at the suggested $advice KiB$([[ $not_started -eq 0 ]] || echo "; $not_started limits too small for Linux to start it")"
done
