#!/usr/bin/env bash
# Keeps one Wine server and its services running through a test run. Without
# it every test starts them anew, and they hold on to the test's output, so
# CTest waits seconds per test for them to end. The services are started here
# with no output to hold; the server ends a minute after its last program,
# should the stop step never come. WINEPREFIX and the like come from the
# environment.
# Usage: wine_server.sh start|stop WINE
set -euo pipefail
wine=$2
server=$(dirname "$wine")/wineserver
case $1 in
  start)
    # Fails where a server runs already, as when CTest repeats this step:
    # that one serves as well.
    "$server" -p60 </dev/null >/dev/null 2>&1 || true
    "$wine" wineboot </dev/null >/dev/null 2>&1
    ;;
  stop) "$server" -k || true ;;
  *) echo "unknown step $1" >&2; exit 2 ;;
esac
