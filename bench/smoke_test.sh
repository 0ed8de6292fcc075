#!/usr/bin/env bash
# Runs the micro-benchmarks once, briefly, and checks that every benchmark
# and counter that scripts read is reported. The figures themselves are not
# checked: they are measurements, not results.
# Usage: smoke_test.sh [--3dnow] MICRO [LAUNCHER...]
#   --3dnow  the processor has 3DNow!: run and expect only the packed kernels
. "$(dirname "$0")/../tests/lib.sh"
filter=.
expected=(BM_CounterRead BM_CounterBackToBack BM_StopwatchStartStop BM_StopwatchEmptyInterval
  BM_StopwatchCurrent BM_ChronoPair BM_SumValues BM_FillMean BM_SubtractScalar BM_SquareScalar)
counters=(delta_ns bias_ns)
if [[ ${1:-} == --3dnow ]]; then
  filter=3DNow
  expected=(BM_Subtract3DNow BM_Square3DNow)
  counters=()
  shift
fi
micro=$1
shift
launcher=("$@")

report=$("${launcher[@]}" "$micro" --benchmark_filter="$filter" --benchmark_min_time=0.01 \
  --benchmark_format=json)

status=0
for name in "${expected[@]}"; do
  if ! grep -q "\"name\": \"$name\"," <<<"$report"; then
    echo "FAIL: $name was not reported"
    status=1
  fi
done
for counter in "${counters[@]}"; do
  if ! grep -Eq "\"$counter\": [0-9]" <<<"$report"; then
    echo "FAIL: counter $counter was not reported"
    status=1
  fi
done
if grep -q '"error_occurred": true' <<<"$report"; then
  echo "FAIL: a benchmark reported an error"
  grep '"error_message"' <<<"$report"
  status=1
fi
[[ $status -eq 0 ]] && echo "ok: ${#expected[@]} benchmarks reported"
exit $status
