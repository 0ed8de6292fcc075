#!/usr/bin/env bash
# Runs a command with the carriage returns dropped from its standard output,
# keeping its exit status: CTest reads a Windows test program's list of
# tests by lines, and the console's text mode ends them with "\r\n".
# Usage: without_cr.sh COMMAND...
set -euo pipefail
"$@" | tr -d '\r'
