#!/usr/bin/env bash
# The program must print its whole report, then wait while its standard input
# stays open, and exit 0 as soon as one character arrives.
# Usage: wait_test.sh PROGRAM [LAUNCHER...]
set -euo pipefail
program=$1
shift
launcher=("$@")

dir=$(mktemp -d)
trap 'exec 3>&-; kill "$pid" 2>/dev/null || true; rm -rf "$dir"' EXIT
mkfifo "$dir/input"

"${launcher[@]}" "$program" <"$dir/input" >"$dir/out" &
pid=$!
exec 3>"$dir/input"  # holds the input open; the program's open completes now

# Wait for the end of the report (its last line is empty), up to 60 s.
for _ in $(seq 600); do
  [[ $(grep -c '^Ortalama sure: ' "$dir/out" || true) -ge 1 ]] && break
  sleep 0.1
done
sleep 1
if ! kill -0 "$pid" 2>/dev/null; then
  echo "FAIL: the program ended while its input was still open"
  exit 1
fi
echo "ok: still waiting after its report"

printf 'x' >&3
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "FAIL: still running 10 s after a character arrived"
  exit 1
fi
status=0
wait "$pid" || status=$?
if [[ $status -ne 0 ]]; then
  echo "FAIL: exit status $status after the character, expected 0"
  exit 1
fi
echo "ok: exited 0 once a character arrived"
