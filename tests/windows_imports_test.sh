#!/usr/bin/env bash
# Fails when a Windows program would not load on the oldest Windows it is
# for. Windows refuses to start a program that imports a function its DLLs
# lack, or whose subsystem version is above its own; Wine exports all of
# them, so a run under Wine cannot show it. This reads the PE headers and the
# import table (objdump -p) and names every import that is not on the
# allowed list, every DLL other than KERNEL32 and msvcrt, and a subsystem
# version above the given one. For an import not on the list it also prints
# what the facts tables beside the list (kernel32-exports-by-version.tsv,
# msvcrt-exports-by-version.tsv) record of it, if anything.
# Usage: windows_imports_test.sh OBJDUMP PROGRAM ALLOWED_LIST MAX_SUBSYSTEM OLDEST
#   ALLOWED_LIST  lines of "DLL<TAB>function<TAB>source"; # starts a comment
#   MAX_SUBSYSTEM major.minor, e.g. 4.0
#   OLDEST        the oldest Windows the list is for, for the messages
. "$(dirname "$0")/lib.sh"
objdump=$1
program=$2
allowed=$3
max_subsystem=$4
oldest=$5
facts_dir=$(dirname "$allowed")

status=0
major=$(pe_field "$objdump" "$program" MajorSubsystemVersion)
minor=$(pe_field "$objdump" "$program" MinorSubsystemVersion)
[[ -n $major && -n $minor ]] || fail "no subsystem version in the headers of $program"
if ((major * 100 + minor > ${max_subsystem%.*} * 100 + ${max_subsystem#*.})); then
  echo "FAIL: subsystem version $major.$minor, above $max_subsystem, the highest for $oldest"
  status=1
fi

# "DLL function" for every import, DLL names in lower case (Windows ignores
# their case).
imports=$("$objdump" -p "$program" | awk '
  /^\tDLL Name: / { dll = tolower($3); next }
  /^$/ { dll = "" }
  dll && /^\t[0-9a-f]+\t +[0-9]+  [^ ]/ { print dll, $3 }' | sort -u)
[[ -n $imports ]] || fail "no imports found in $program"
list=$(awk -F'\t' '!/^#/ && NF >= 3 { print tolower($1), $2 }' "$allowed" | sort -u)

count=0
while read -r dll function; do
  count=$((count + 1))
  case $dll in
    kernel32.dll | msvcrt.dll) ;;
    *)
      echo "FAIL: imports from $dll ($function): only KERNEL32.dll and msvcrt.dll may be used"
      status=1
      continue
      ;;
  esac
  if ! grep -qxF "$dll $function" <<<"$list"; then
    table=$facts_dir/${dll%.dll}-exports-by-version.tsv
    fact=$(awk -F'\t' -v f="$function" '!/^#/ && $1 == f {
      if (NF >= 4) print "first in Windows 9x: " $2 ", in Windows NT: " $3
      else print "first in msvcrt.dll of " $2
      exit }' "$table")
    echo "FAIL: imports $function from $dll, which is not on the allowed list for $oldest;" \
      "${table##*/}: ${fact:-no record of it}"
    status=1
  fi
done <<<"$imports"

if [[ $status -eq 0 ]]; then
  summary=$(awk '{ n[$1]++ } END { for (d in n) printf "%s %d, ", d, n[d] }' <<<"$imports")
  echo "ok: subsystem $major.$minor; $count imports, all allowed on $oldest (${summary%, })"
fi
exit $status
