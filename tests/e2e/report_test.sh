#!/usr/bin/env bash
# Runs the program with standard input at its end (or closed) and checks
# every byte it prints and its exit status. The time figures can differ from
# run to run, so they are checked by form: each must be exactly how the
# stream prints a double by default (%g), after one pass minimum, maximum
# and mean agree, and after two passes the mean lies between the bounds and
# is the average of the two samples.
# Usage: report_test.sh [--3dnow] [--stdin-closed] [--crlf] PROGRAM [LAUNCHER...]
#   --3dnow  the processor has 3DNow!: expect the packed pass too
#   --crlf   expect every line to end with "\r\n" (a Windows console's text mode)
set -euo pipefail
passes=1
stdin=end
crlf=no
while [[ ${1:-} == --* ]]; do
  case $1 in
    --3dnow) passes=2 ;;
    --stdin-closed) stdin=closed ;;
    --crlf) crlf=yes ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
program=$1
shift
launcher=("$@")

out=$(mktemp)
trap 'rm -f "$out" "$out.expected" "$out.normal"' EXIT

status=0
if [[ $stdin == closed ]]; then
  "${launcher[@]}" "$program" >"$out" <&- || status=$?
else
  "${launcher[@]}" "$program" >"$out" </dev/null || status=$?
fi
if [[ $status -ne 0 ]]; then
  echo "FAIL: exit status $status, expected 0"
  exit 1
fi

report() {
  printf '\nAritmatik ortalama:499.85\nVaryans:83308.3\nStandart Sapma:288.632\n'
  printf '\nSimdiki  sure: 0s\nMinimum  sure: <t>s\nMaksimum sure: <t>s\nOrtalama sure: <t>s\n\n'
}
{
  if [[ $passes -eq 2 ]]; then
    printf '\a\a3DNow!  bulundu.\n'
    report
    printf "3DNow! 'li hesaplama\n"
    report
  else
    printf '\a\aUyar\375:islemciniz 3DNow!  desteklemiyor!\n'
    report
  fi
} >"$out.expected"
if [[ $crlf == yes ]]; then
  sed -i 's/$/\r/' "$out.expected"
fi

time_line='^(Minimum  sure: |Maksimum sure: |Ortalama sure: )(.*)s(\r?)$'
sed -E "s/$time_line/\\1<t>s\\3/" "$out" >"$out.normal"
if ! cmp -s "$out.normal" "$out.expected"; then
  echo "FAIL: output differs from the expected bytes (times shown as <t>):"
  diff <(od -c "$out.expected") <(od -c "$out.normal") || true
  exit 1
fi

mapfile -t figures < <(sed -nE "s/$time_line/\\2/p" "$out")
for figure in "${figures[@]}"; do
  if ! awk -v f="$figure" 'BEGIN { exit !(f ~ /^[0-9.e+-]+$/ && sprintf("%g", f) == f && f > 0) }'; then
    echo "FAIL: time figure '$figure' is not a positive double in the default format"
    exit 1
  fi
done
# figures: min, max, mean of the first report, then of the second.
first=${figures[0]}
if [[ ${figures[1]} != "$first" || ${figures[2]} != "$first" ]]; then
  echo "FAIL: after one pass minimum, maximum and mean differ: ${figures[*]:0:3}"
  exit 1
fi
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
    echo "FAIL: second report's times do not cover both passes: first ${first}, then ${figures[*]:3}"
    exit 1
  fi
fi
echo "ok: $passes report(s) match byte for byte; times: ${figures[*]}"
