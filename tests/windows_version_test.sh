#!/usr/bin/env bash
# The version resource that a file's Properties show: product name, file
# description and the project's version, in the program's resource section.
# Usage: windows_version_test.sh OBJCOPY PROGRAM VERSION
. "$(dirname "$0")/lib.sh"
objcopy=$1
program=$2
version=$3

"$objcopy" -O binary --only-section=.rsrc "$program" "$work/rsrc"
# The strings are UTF-16: each key is followed by its value.
strings -e l "$work/rsrc" >"$work/strings"
value() { awk -v key="$1" 'found { print; exit } $0 == key { found = 1 }' "$work/strings"; }

status=0
expect() {
  local got
  got=$(value "$1")
  if [[ $got != "$2" ]]; then
    echo "FAIL: $1 is '$got', expected '$2'"
    status=1
  fi
}
expect ProductName statbench
expect ProductVersion "$version"
expect FileVersion "$version"
expect OriginalFilename statbench.exe
if [[ -z $(value FileDescription) ]]; then
  echo "FAIL: no FileDescription"
  status=1
fi
# The fixed part, which Windows shows as the file version: major.minor in
# one 32-bit word, patch.build in the next, after the signature 0xFEEF04BD.
IFS=. read -r major minor patch <<<"$version"
fixed=$(od -An -v -tx4 -w4 "$work/rsrc" | awk '$1 == "feef04bd" { getline; getline; print; getline; print; exit }')
expected=$(printf '%04x%04x\n%04x%04x' "$major" "$minor" "$patch" 0)
if [[ $(tr -d ' ' <<<"$fixed") != "$expected" ]]; then
  echo "FAIL: fixed file version words $(tr '\n' ' ' <<<"$fixed"), expected $(tr '\n' ' ' <<<"$expected")"
  status=1
fi
[[ $status -eq 0 ]] && echo "ok: statbench $version, '$(value FileDescription)'"
exit $status
