#!/usr/bin/env bash
# A test variant of the program must be the shipped program with its clock
# read replaced, and nothing else: the tests that run it vouch for the
# shipped code only so far. Every symbol of the shipped program (from its
# debug file, as it is stripped) must be in the variant with the same size,
# and the variant's only others must be the shim's own and the C library
# functions it calls (under any of their names: an alias shares the
# address). (Types are not compared: the debug file keeps no section
# contents, so nm shows its data symbols as if in .bss.)
set -euo pipefail
nm=$1
shipped=$2
variant=$3
shim=$4

# One line per defined symbol: name and size (0 where nm shows none).
symbols() { "$nm" -S --defined-only "$1" | awk 'NF == 4 { print $4, $2 } NF == 3 { print $3, 0 }' | sort; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
symbols "$shipped" >"$dir/shipped"
symbols "$variant" >"$dir/variant"
"$nm" "$shim" | awk '{ print $NF }' | sort -u >"$dir/shim"

missing=$(comm -23 "$dir/shipped" "$dir/variant")
if [[ -n $missing ]]; then
  echo "FAIL: the variant lacks, or differs in, these symbols of the shipped program (name size):"
  head -20 <<<"$missing"
  exit 1
fi
added=$(comm -13 "$dir/shipped" "$dir/variant" | awk '{ print $1 }' | sort -u)
extra=$("$nm" --defined-only "$variant" | awk -v added="$added" '
  FILENAME == "-" { address[$NF] = $1; next }
  { allowed[$1] = 1 }
  END {
    for (name in allowed) if (name in address) at[address[name]] = 1
    n = split(added, names, "\n")
    for (i = 1; i <= n; i++) if (!(names[i] in allowed) && !(address[names[i]] in at)) print names[i]
  }' - "$dir/shim")
if [[ -n $extra ]]; then
  echo "FAIL: the variant holds symbols that are neither the shipped program's nor the shim's:"
  head -20 <<<"$extra"
  exit 1
fi
if ! grep -qx '__wrap_clock_gettime' <<<"$added"; then
  echo "FAIL: the variant does not hold the shim's clock read"
  exit 1
fi
echo "ok: $(wc -l <"$dir/shipped") symbols as shipped; added only the shim's: $(echo $added)"
