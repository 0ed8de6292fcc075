#!/usr/bin/env bash
# The runtime rebuilt for the i586 stands in for Debian's: each of its
# libraries must define the same global symbols as the Debian library it
# replaces, so that what links against one links against the other.
# Usage: runtime_exports_test.sh NM [--may-lack REGEX] REBUILT=DEBIAN...
# --may-lack: symbols Debian's build has and this one may not (glibc's
# run-time-selected i686 and SSE variants of its string functions).
. "$(dirname "$0")/lib.sh"
nm=$1
shift
may_lack='^$'
if [[ $1 == --may-lack ]]; then
  may_lack=$2
  shift 2
fi
exports() { "$nm" -g --defined-only "$1" 2>/dev/null | awk 'NF == 3 { print $3 }' | sort -u; }
failed=0
for pair in "$@"; do
  rebuilt=${pair%%=*} debian=${pair#*=}
  for library in "$rebuilt" "$debian"; do
    [[ -f $library ]] || fail "no $library"
  done
  lacking=$(comm -23 <(exports "$debian") <(exports "$rebuilt") | grep -Ev -- "$may_lack" || true)
  extra=$(comm -13 <(exports "$debian") <(exports "$rebuilt"))
  count=$(exports "$rebuilt" | wc -l)
  if [[ -n $lacking || -n $extra ]]; then
    echo "FAIL: $(basename "$rebuilt") ($count symbols) differs from $debian:" \
      "$(grep -c . <<<"$lacking") lacking, $(grep -c . <<<"$extra") extra"
    awk 'NF && ++n <= 10 { print "  lacks " $0 }' <<<"$lacking"
    awk 'NF && ++n <= 10 { print "  adds " $0 }' <<<"$extra"
    failed=1
  else
    left_out=$(comm -23 <(exports "$debian") <(exports "$rebuilt") | grep -Ec -- "$may_lack" || true)
    note=
    ((left_out == 0)) || note=", but for $left_out it leaves out by design"
    echo "ok: $(basename "$rebuilt"): $count symbols, as $debian$note"
  fi
done
exit "$failed"
