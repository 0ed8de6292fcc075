#!/usr/bin/env bash
# Runs the program with standard input at its end and checks every byte it
# prints and its exit status. The three time figures can differ from run to
# run, so they are checked by form: each must be exactly how the stream
# prints a double by default (%g), and after a single pass all three agree.
# Usage: report_test.sh [--stdin-closed] PROGRAM [LAUNCHER...]
set -euo pipefail
stdin=/dev/null
if [[ ${1:-} == --stdin-closed ]]; then
  stdin=closed
  shift
fi
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
report >"$out.expected"

time_line='^(Minimum  sure: |Maksimum sure: |Ortalama sure: )(.*)s$'
sed -E "s/$time_line/\\1<t>s/" "$out" >"$out.normal"
if ! cmp -s "$out.normal" "$out.expected"; then
  echo "FAIL: output differs from the expected report (times shown as <t>):"
  diff <(od -c "$out.expected") <(od -c "$out.normal") || true
  exit 1
fi

figures=$(sed -nE "s/$time_line/\\2/p" "$out")
while read -r figure; do
  if ! awk -v f="$figure" 'BEGIN { exit !(f ~ /^[0-9.e+-]+$/ && sprintf("%g", f) == f && f > 0) }'; then
    echo "FAIL: time figure '$figure' is not a positive double in the default format"
    exit 1
  fi
done <<<"$figures"
if [[ $(sort -u <<<"$figures" | wc -l) -ne 1 ]]; then
  echo "FAIL: after one pass minimum, maximum and mean differ:"
  echo "$figures"
  exit 1
fi
echo "ok: report matches byte for byte; times: $(tr '\n' ' ' <<<"$figures")"
