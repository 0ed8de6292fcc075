#!/usr/bin/env bash
# Runs a command under an emulator, or reports the test as skipped (exit 77)
# with what to install when the emulator is missing (a failure under
# CI=true, see skip.sh).
# Usage: run_emulated.sh EMULATOR PACKAGE -- COMMAND...
set -euo pipefail
emulator=$1
package=$2
shift 3
if ! command -v "$emulator" >/dev/null 2>&1; then
  exec bash "$(dirname "$0")/skip.sh" "$emulator not found; install the Debian package $package"
fi
exec "$@"
