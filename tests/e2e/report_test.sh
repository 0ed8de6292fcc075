#!/usr/bin/env bash
# Runs the program with standard input at its end, closed, or holding many
# characters, and checks every byte it prints and its exit status. The time
# figures can differ from run to run, so they are checked by form: each must
# be exactly how the stream prints a double by default (%g), after one pass
# minimum, maximum and mean agree, and after two passes the mean lies between
# the bounds and is the average of the two samples.
# With --kernel-calls, PROGRAM is the variant built with
# tests/counted_kernels.cpp, and what it writes to standard error at exit
# must name exactly the kernels each pass should run, and sums formed at a
# double's 53-bit precision.
# Usage: report_test.sh [--3dnow] [--stdin-closed|--stdin-many|--stdin-endless]
#                       [--crlf] [--kernel-calls] PROGRAM [LAUNCHER...]
#   --3dnow          the processor has 3DNow!: expect the packed pass too
#   --stdin-many     a file of 100000 characters: the wait takes exactly one,
#                    and the next reader of the file finds the rest
#   --stdin-endless  a pipe from yes(1), which never runs dry
#   --crlf           expect every line to end with "\r\n" (a Windows
#                    console's text mode)
. "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/expected_output.sh"
passes=1
stdin=end
crlf=no
calls=no
while [[ ${1:-} == --* ]]; do
  case $1 in
    --3dnow) passes=2 ;;
    --stdin-closed) stdin=closed ;;
    --stdin-many) stdin=many ;;
    --stdin-endless) stdin=endless ;;
    --crlf) crlf=yes ;;
    --kernel-calls) calls=yes ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
program=$1
shift
launcher=("$@")

out=$work/out
: >"$out.err"  # standard error is kept only with input at its end
status=0
case $stdin in
  end) "${launcher[@]}" "$program" >"$out" 2>"$out.err" </dev/null || status=$? ;;
  closed) "${launcher[@]}" "$program" >"$out" <&- || status=$? ;;
  many)
    head -c 100000 /dev/zero | tr '\0' 'y' >"$out.input"
    # One open file shared by the program and, after it, cat.
    { "${launcher[@]}" "$program" >"$out" || status=$?; cat >"$out.rest"; } <"$out.input"
    ;;
  endless)
    yes | "${launcher[@]}" "$program" >"$out" || status=${PIPESTATUS[1]}
    ;;
esac
[[ $status -eq 0 ]] || fail_showing "$out.err" "exit status $status, expected 0"
if [[ $stdin == many ]] && [[ $(wc -c <"$out.rest") -ne 99999 ]]; then
  fail "the wait took $((100000 - $(wc -c <"$out.rest"))) characters of its input, expected 1"
fi

expected_output "$passes" >"$out.expected"
if [[ $crlf == yes ]]; then
  sed -i 's/$/\r/' "$out.expected"
fi
hide_times "$out" >"$out.normal"
same_bytes "$out.expected" "$out.normal" "output differs from the expected bytes (times shown as <t>)"

if [[ $calls == yes ]]; then
  expected_kernel_calls "$passes" >"$out.calls"
  # Less the emulator's own warnings about the processor model.
  tr -d '\r' <"$out.err" | grep -vE '^qemu-[a-z0-9_]+: warning: ' >"$out.called" || true
  same_bytes "$out.calls" "$out.called" "the kernels called differ from those the passes must run"
fi

mapfile -t figures < <(sed -nE "s/$time_line/\\2/p" "$out")
for figure in "${figures[@]}"; do
  awk -v f="$figure" 'BEGIN { exit !(f ~ /^[0-9.e+-]+$/ && sprintf("%g", f) == f && f > 0) }' ||
    fail "time figure '$figure' is not a positive double in the default format"
done
# figures: min, max, mean of the first report, then of the second.
first=${figures[0]}
[[ ${figures[1]} == "$first" && ${figures[2]} == "$first" ]] ||
  fail "after one pass minimum, maximum and mean differ: ${figures[*]:0:3}"
if [[ $passes -eq 2 ]]; then
  # One bound of the second report is the first pass's sample, the other
  # the second pass's; the mean is their average to the printed precision.
  if ! awk -v t1="$first" -v lo="${figures[3]}" -v hi="${figures[4]}" -v mean="${figures[5]}" '
      function near(x, y) { d = x - y; if (d < 0) d = -d; return d <= 1e-5 * (x > y ? x : y) }
      BEGIN {
        if (!(lo <= mean && mean <= hi)) exit 1
        t2 = near(lo, t1) ? hi : lo
        if (!near(lo, t1) && !near(hi, t1)) exit 1
        exit !near(mean, (t1 + t2) / 2)
      }'; then
    fail "second report's times do not cover both passes: first ${first}, then ${figures[*]:3}"
  fi
fi
echo "ok: $passes report(s) match byte for byte; times: ${figures[*]}"
