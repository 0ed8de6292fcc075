#!/usr/bin/env bash
# The Linux program and the Windows x86-64 program under Wine, run in turn
# N times each on one machine, output to a pipe; prints the median of each
# one's "Minimum  sure" (its first pass) and their ratio. A measurement, not
# a test: run it on an otherwise idle machine.
# Usage: side_by_side.sh [-n N] LINUX_PROGRAM WINDOWS_PROGRAM
#   e.g. bench/side_by_side.sh -n 21 build/release/statbench build/mingw64/statbench.exe
set -euo pipefail
runs=21
if [[ ${1:-} == -n ]]; then
  runs=$2
  shift 2
fi
linux=$1
windows=$2
wine=${WINE:-/usr/lib/wine/wine64}

# A prefix of the Windows build's own, kept between runs; the wine server
# stays up while the script runs, so no run pays for starting it.
export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "$windows")" && pwd)/bench-wine}
export WINEDEBUG=-all
server=$(dirname "$wine")/wineserver
mkdir -p "$WINEPREFIX"
"$server" -p60 </dev/null >/dev/null 2>&1
"$wine" wineboot </dev/null >/dev/null 2>&1  # sets the prefix up on its first use

# The first "Minimum  sure: " of a run's output, in microseconds.
first_pass_us() { sed -nE 's/^Minimum  sure: ([0-9.e+-]+)s\r?$/\1/p' | awk 'NR == 1 { print $1 * 1e6 }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

results=$(mktemp)
trap 'rm -f "$results"; "$server" -k 2>/dev/null || true' EXIT
for ((run = 1; run <= runs; run++)); do
  echo "linux $("$linux" </dev/null | cat | first_pass_us)" >>"$results"
  echo "windows $("$wine" "$windows" </dev/null | cat | first_pass_us)" >>"$results"
done

linux_median=$(awk '$1 == "linux" { print $2 }' "$results" | median)
windows_median=$(awk '$1 == "windows" { print $2 }' "$results" | median)
printf '%d runs each, alternating, output to a pipe; median first-pass time:\n' "$runs"
printf '  Linux    %-40s %8.1f us  (%s to %s)\n' "$linux" "$linux_median" \
  "$(awk '$1 == "linux" { print $2 }' "$results" | sort -g | head -n 1)" \
  "$(awk '$1 == "linux" { print $2 }' "$results" | sort -g | tail -n 1)"
printf '  Windows  %-40s %8.1f us  (%s to %s)\n' "$windows" "$windows_median" \
  "$(awk '$1 == "windows" { print $2 }' "$results" | sort -g | head -n 1)" \
  "$(awk '$1 == "windows" { print $2 }' "$results" | sort -g | tail -n 1)"
awk -v l="$linux_median" -v w="$windows_median" 'BEGIN { printf "  ratio Linux / Windows: %.2f\n", l / w }'
