#!/usr/bin/env bash
# The program must print its whole report, then wait while its standard input
# stays open, and exit 0 as soon as one character arrives. With --stdout,
# every console write fails instead, and the run must go on all the same: no
# signal, still waiting at the end; once the character comes it must name the
# error in one line on standard error and exit 1, as its report is lost.
# Usage: wait_test.sh [--stdout broken-pipe|full|closed] PROGRAM [LAUNCHER...]
#   broken-pipe  a pipe whose only reader closed before the program started
#   full         /dev/full: every write fails with ENOSPC
#   closed       no standard output descriptor at all
. "$(dirname "$0")/../lib.sh"
stdout='file'
if [[ ${1:-} == --stdout ]]; then
  stdout=$2
  shift 2
fi
program=$1
shift
launcher=("$@")

pid=
trap 'exec 3>&-; [[ -z $pid ]] || kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
mkfifo "$work/input" "$work/pipe"

# SIGPIPE back to its default, whatever this shell inherited, so that only
# the program itself can keep a broken pipe from ending the run.
run() { env --default-signal=PIPE "${launcher[@]}" "$program" <"$work/input" 2>"$work/err" & }
case $stdout in
  file) run >"$work/out" ;;
  broken-pipe)
    # Open the FIFO for reading and writing, add a writer, then drop the
    # reader: from here on every write meets a pipe with no reader, with no
    # race against a reader that is still about to leave.
    exec 4<>"$work/pipe"
    exec 5>"$work/pipe"
    exec 4<&-
    run >&5
    exec 5>&-
    ;;
  full) run >/dev/full ;;
  closed) run >&- ;;
  *) echo "unknown --stdout $stdout" >&2; exit 2 ;;
esac
pid=$!
exec 3>"$work/input"  # holds the input open; the program's open completes now

if [[ $stdout == file ]]; then
  # Wait for the end of the report (its last line is empty), up to 60 s.
  for _ in $(seq 600); do
    [[ $(grep -c '^Ortalama sure: ' "$work/out" || true) -ge 1 ]] && break
    sleep 0.1
  done
fi
sleep 1
if ! kill -0 "$pid" 2>/dev/null; then
  status=0
  wait "$pid" || status=$?
  fail_showing "$work/err" "the program ended (status $status) while its input was still open"
fi
echo "ok: still waiting after its report (standard output: $stdout)"

printf 'x' >&3
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then fail "still running 10 s after a character arrived"; fi
status=0
wait "$pid" || status=$?
pid=
case $stdout in
  file) expected_status=0 error= ;;
  broken-pipe) expected_status=1 error='Broken pipe' ;;
  full) expected_status=1 error='No space left on device' ;;
  closed) expected_status=1 error='Bad file descriptor' ;;
esac
[[ $status -eq $expected_status ]] ||
  fail_showing "$work/err" "exit status $status after the character, expected $expected_status"
if [[ -n $error ]]; then
  # A Windows console's text mode ends the line with "\r\n".
  tr -d '\r' <"$work/err" | grep -qxF "statbench: standard output: $error" ||
    fail_showing "$work/err" "no line 'statbench: standard output: $error' on standard error:"
# A launcher (an emulator) may warn on its own account; the program never does.
elif [[ ${#launcher[@]} -eq 0 && -s $work/err ]]; then
  fail_showing "$work/err" "the program wrote to standard error:"
fi
echo "ok: exited $status once a character arrived${error:+, naming the error: $error}"
