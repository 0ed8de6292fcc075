#!/usr/bin/env bash
# Runs a command under an emulator, or reports the test as skipped (exit 77)
# with what to install when the emulator is missing.
# Usage: run_emulated.sh EMULATOR PACKAGE -- COMMAND...
set -euo pipefail
emulator=$1
package=$2
shift 3
if ! command -v "$emulator" >/dev/null 2>&1; then
  echo "SKIPPED: $emulator not found; install the Debian package $package"
  exit 77
fi
exec "$@"
