#!/usr/bin/env bash
# A mutation check, run by hand: it takes minutes, and is not part of CI.
# Each fault below is a one-line change to the program's own code (a line
# changed, dropped or moved) that a test must catch. The script copies the
# working tree, builds PRESET there and checks that its tests pass, then for
# each fault meant for PRESET applies it, rebuilds, runs the tests until the
# first failure and puts the line back. It prints each fault as caught (with
# the first test that failed), not built (a fault that proves nothing), or
# SURVIVED, and exits 1 when any survived or no longer applies to the code.
# Usage: tests/mutate.sh [PRESET]   (default: test; also i586, mingw32, ...)
. "$(dirname "$0")/lib.sh"
preset=${1:-test}
repo=$(cd "$(dirname "$0")/.." && pwd)

# PRESETS (or *), FILE, sed script, what the fault does; tab-separated.
faults=$(cat <<'LIST'
*	app/pass.cpp	/^  stopwatch.start\(0.0\);/d; s/^  std::printf\("\\n"\);/  stopwatch.start(0.0);\n&/	the interval starts after the kernels
*	app/pass.cpp	/^  stopwatch.stop\(\);/d; s/^  printStatistics\(/  stopwatch.stop();\n&/	the interval stops before the statistics lines
*	app/pass.cpp	s/^  printTimes\(stopwatch\);/  printStatistics(0.0f, 0.0f, 0.0f);/	no time lines
*	app/pass.cpp	s/stopwatch.current\(\)/stopwatch.minimum()/	the current time line shows the minimum
*	app/pass.cpp	s/outputError = errno != 0 \? errno : EIO;/outputError = EIO;/	a failed write's own error not kept
*	app/main.cpp	s/statbench::subtract3DNow, statbench::square3DNow/statbench::subtractScalar, statbench::squareScalar/	the 3DNow! pass runs the scalar kernels
*	app/main.cpp	s/^  if \(statbench::has3DNow\(\) == 1\) \{/  if (statbench::has3DNow() != 1) {/	the packed pass where the probe says no
*	app/main.cpp	s/^  statbench::flushOutput\(\);/  ;/	the probe line not flushed
*	app/main.cpp	s/kRuntimeStackBytes = 64 \* 1024/kRuntimeStackBytes = 0/	no stack margin for the runtimes
test,i586,mingw32	app/main.cpp	s/^  statbench::platform::initializeProcess\(\);/  ;/	the process not initialised
i586,mingw32	platform/precision_x87.cpp	s/kDoublePrecision = 0x0200/kDoublePrecision = 0x0300/	the x87 left at 64-bit precision
test,i586	platform/platform_posix.cpp	s/^  commitStack\(\);/  static_cast<void>(commitStack);/	the pass's stack pages not committed before it
test,i586	platform/platform_posix.cpp	s/^  std::signal\(SIGPIPE, SIG_IGN\);/  ;/	a broken pipe ends the run
*	kernels/data_set.h	s/static_cast<double>\(kDataStep\)/0.1/	the data set from the double 0.1
*	kernels/data_set.h	s/0x3DCCCCCD/0x3DCCCCCE/	another step
*	kernels/scalar_kernels.cpp	s/0x38D1C1D5/0x38D1C1D6/	another mean factor
*	kernels/scalar_kernels.cpp	s/0x38D1C734/0x38D1C733/	another variance factor
*	kernels/scalar_kernels.cpp	s/std::sqrt\(variance\)/std::sqrt(static_cast<float>(variance))/	the root of the rounded variance
*	kernels/scalar_kernels.cpp	/^double sumValues/,/^}/s/i = 0;/i = 1;/	the sum skips element 0
*	kernels/scalar_kernels.cpp	/^void squareScalar/,/^}/s/i < SAMPLE_COUNT;/i < SAMPLE_COUNT - 1;/	the last square left unwritten
*	kernels/packed_kernels.cpp	s/pfsub %%mm0, %%mm1/pfsub %%mm1, %%mm0/	packed subtraction the wrong way round
*	kernels/packed_kernels.cpp	s/pfmul %%mm1, %%mm0/pfadd %%mm1, %%mm0/	packed squares as doubled values
*	kernels/cpuid_probe.cpp	s/std::uint32_t\{1\} << 31/std::uint32_t{1} << 30/	the probe reads the extended 3DNow! bit
*	kernels/cpuid_probe.cpp	s/eax < kExtendedFeatureLeaf/eax <= kExtendedFeatureLeaf/	the probe misses a highest leaf of 0x80000001
*	timing/high_res_timer.cpp	s/if \(sample < minSeconds\)/if (sample > minSeconds)/	the minimum keeps the larger sample
*	timing/high_res_timer.cpp	s/\} else if \(sample > maxSeconds\)/} if (sample < maxSeconds)/	the maximum keeps the smaller sample
*	timing/high_res_timer.cpp	s/ \/ static_cast<double>\(samples.size\(\)\);/ \/ static_cast<double>(samples.size() + 1);/	the mean divides by one too many
*	timing/high_res_timer.cpp	s/^  const double total = secondsSinceRestart\(\) \+ offsetSeconds;/  const double total = secondsSinceRestart();/	stop drops the start offset
*	timing/win32_high_res_timer.cpp	s/static_cast<double>\(ticks\) \/ static_cast<double>\(frequency\)/static_cast<double>(ticks)/	ticks reported as seconds
LIST
)

git -C "$repo" ls-files -z --cached --others --exclude-standard |
  (cd "$repo" && tar --null --files-from=- -cf -) | tar -C "$work" -xf -
cd "$work"
log=$work/log
# Until the first failure: a fault is caught or not, which test is enough.
# Nothing run may read the list of faults, which comes on descriptor 3.
run_tests() { ctest --preset "$preset" -j2 --stop-on-failure </dev/null >"$log" 2>&1; }
first_failure() { grep -A1 -m1 'tests FAILED' "$log" | tail -n 1 | sed -E 's/^[[:space:]]*[0-9]+ - //'; }

echo "building and testing $preset as it is"
cmake --preset "$preset" >"$log" 2>&1 && cmake --build --preset "$preset" >"$log" 2>&1 || {
  cat "$log"; echo "the unchanged tree does not build"; exit 1; }
run_tests || { echo "the unchanged tree fails its tests: $(first_failure)"; exit 1; }

caught=0 by_build=0 survived=() stale=()
while IFS=$'\t' read -r -u 3 presets file script what; do
  [[ $presets == '*' || ,$presets, == *",$preset,"* ]] || continue
  cp "$file" "$log.original"
  sed -E -i "$script" "$file"
  if cmp -s "$file" "$log.original"; then
    stale+=("$what ($file)")
    echo "NOT APPLIED  $what: the line is no longer in $file"
    continue
  fi
  if ! cmake --build --preset "$preset" </dev/null >"$log" 2>&1; then
    by_build=$((by_build + 1))
    echo "not built    $what"
  elif run_tests; then
    survived+=("$what ($file)")
    echo "SURVIVED     $what"
  else
    caught=$((caught + 1))
    echo "caught       $what: by $(first_failure)"
  fi
  cp "$log.original" "$file"
done 3<<<"$faults"

total=$((caught + ${#survived[@]}))
echo "$preset: $caught of $total faults caught by a test${survived:+; survived: ${survived[*]}}" \
  "$([[ $by_build -eq 0 ]] || echo "; $by_build did not build and count for nothing")"
[[ ${#survived[@]} -eq 0 && ${#stale[@]} -eq 0 ]]
