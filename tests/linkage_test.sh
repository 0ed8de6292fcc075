#!/usr/bin/env bash
# The shipped Linux program must bind every symbol at load (no lazy binding
# inside a timed pass) and run on any Linux whose C library is FLOOR or
# newer: it may need only the C library's own shared objects, no symbol
# version above FLOOR, and nothing from libstdc++ or libgcc_s, which are
# linked in. A fully static program passes both at once.
# Usage: linkage_test.sh OBJDUMP PROGRAM FLOOR
set -euo pipefail
objdump=$1
program=$2
floor=$3

headers=$("$objdump" -p "$program")
if ! grep -q 'Dynamic Section:' <<<"$headers"; then
  echo "ok: statically linked"
  exit 0
fi
status=0

# DT_FLAGS bit DF_BIND_NOW (0x8) or DT_FLAGS_1 bit DF_1_NOW (0x1).
flags=$(awk '$1 == "FLAGS" { print $2 }' <<<"$headers")
flags_1=$(awk '$1 == "FLAGS_1" { print $2 }' <<<"$headers")
if ! (((${flags:-0} & 0x8) || (${flags_1:-0} & 0x1))); then
  echo "FAIL: symbols are bound lazily (FLAGS ${flags:-none}, FLAGS_1 ${flags_1:-none})"
  status=1
fi

while read -r library; do
  if [[ ! $library =~ ^(libc\.so\.6|libm\.so\.6|ld-linux[-a-z0-9_.]*\.so\.[0-9]+)$ ]]; then
    echo "FAIL: needs $library, which is not the C library's"
    status=1
  fi
done < <(awk '$1 == "NEEDED" { print $2 }' <<<"$headers")

# The versions the loader checks: "Version References" lists every one.
versions=$(awk '/^Version References:/ { on = 1; next } on && /^$/ { exit } on && NF == 4 { print $4 }' \
  <<<"$headers" | sort -u)
for version in $versions; do
  case $version in
    GLIBC_PRIVATE) echo "FAIL: uses the C library's private symbols"; status=1 ;;
    GLIBC_[0-9]*)
      if [[ $(printf '%s\n' "${version#GLIBC_}" "$floor" | sort -V | tail -n 1) != "$floor" ]]; then
        echo "FAIL: needs $version, above the stated floor GLIBC_$floor"
        status=1
      fi
      ;;
    *) echo "FAIL: needs $version from a library other than the C library"; status=1 ;;
  esac
done
[[ $status -eq 0 ]] && echo "ok: bound at load; needs only glibc $floor or newer: $(echo $versions)"
exit $status
