#!/usr/bin/env bash
# The program must run where nothing but a kernel is: alone in a root
# directory that holds only it (no C library, no /dev, no /proc), entered
# with chroot, with the whole report checked byte for byte as usual. As
# root, or inside a user namespace where this system allows one.
# Usage: empty_root_test.sh PROGRAM [report_test.sh OPTIONS...]
. "$(dirname "$0")/../lib.sh"
program=$1
shift
# $work is the root: what follows is run, not exec'd, so that the exit removes it.
cp "$program" "$work/statbench"

if [[ $(id -u) -eq 0 ]]; then
  enter=(chroot "$work")
elif unshare --user --map-root-user true 2>/dev/null; then
  enter=(unshare --user --map-root-user chroot "$work")
else
  fail "neither root nor a user namespace here, so no chroot"
fi
echo "root: $(ls -A "$work")"
bash "$(dirname "$0")/report_test.sh" "$@" /statbench "${enter[@]}"
