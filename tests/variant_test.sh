#!/usr/bin/env bash
# A test variant of the program must be the shipped program with a few of
# its calls wrapped by a shim's, and nothing else: the tests that run it vouch for the
# shipped code only so far. Every symbol of the shipped program (from its
# debug file, as it is stripped) must be in the variant with the same size,
# and the variant's only others must be the shim's own and, in a static
# program, the C library's that it calls. (Types are not compared: the
# debug file keeps no section contents, so nm shows its data symbols as if
# in .bss.)
# Usage: variant_test.sh NM SHIPPED_SYMBOLS VARIANT SHIM_OBJECT [LIBC_ARCHIVE]
. "$(dirname "$0")/lib.sh"
nm=$1
shipped=$2
variant=$3
shim=$4
libc=${5:-}

# One line per defined symbol: name and size (0 where nm shows none).
symbols() { "$nm" -S --defined-only "$1" | awk 'NF == 4 { print $4, $2 } NF == 3 { print $3, 0 }' | sort; }
symbols "$shipped" >"$work/shipped"
symbols "$variant" >"$work/variant"
{
  "$nm" "$shim" | awk '{ print $NF }'
  [[ -z $libc ]] || "$nm" --defined-only "$libc" 2>/dev/null | awk 'NF >= 2 { print $NF }'
} | sort -u >"$work/allowed"

missing=$(comm -23 "$work/shipped" "$work/variant")
[[ -z $missing ]] || fail_showing <(head -20 <<<"$missing") \
  "the variant lacks, or differs in, these symbols of the shipped program (name size):"
added=$(comm -13 "$work/shipped" "$work/variant" | awk '{ print $1 }' | sort -u)
extra=$(comm -23 <(echo "$added") "$work/allowed")
[[ -z $extra ]] || fail_showing <(head -20 <<<"$extra") \
  "the variant holds symbols that are neither the shipped program's nor the shim's:"
# And the shim's wrappers must be in it: a --wrap that matched no call would
# leave them out, and the variant would be the shipped program unwatched.
wrappers=$("$nm" --defined-only "$shim" | awk '$NF ~ /^_*wrap_/ { print $NF }' | sort -u)
unlinked=$(comm -23 <(echo "$wrappers") <(echo "$added"))
[[ -n $wrappers && -z $unlinked ]] || fail "the variant lacks the shim's wrappers: ${unlinked:-the shim defines none}"
echo "ok: the $(wc -l <"$work/shipped") symbols of the shipped program, each of the same size; added: ${added//$'\n'/ }"
