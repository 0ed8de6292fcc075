#!/usr/bin/env bash
# Judges x86 instructions by what an AMD K6-2 executes: the i586 (Pentium)
# instruction set with its x87, MMX and the original 3DNow!. Anything else
# (the P6's CMOV, FCMOV and FCOMI, SSE and the XMM registers, the Athlon's
# MMX and 3DNow! extensions, the hint-NOP space with its multi-byte NOP and
# ENDBR32, and all that came later) stops a K6-2 with an invalid-opcode
# fault, or runs as something else (LZCNT as BSR).
#
# What the K6-2 has is binutils' own table: every distinct instruction text
# is assembled again by `as --32 -march=k6_2`, in one run, and what it
# refuses, the K6-2 lacks. A text it cannot read at all ((bad), a LOCK
# before an instruction that cannot take one) is refused too. So nothing
# unknown gets through, and an instruction is named as binutils names it.
#
# Usage: k6_judge.sh AS SYMBOLS CODE ALLOWLIST PROGRAM [LIMIT]
#   SYMBOLS  `nm -n --defined-only -C` of the program. The nearest symbol at
#            or below an instruction names it; a symbol of the data that the
#            MinGW linker places inside .text (exception tables, constructor
#            and destructor lists) makes what follows it, up to the next
#            symbol, data, which is not judged.
#   CODE     one instruction a line, tab-separated: ADDRESS (hex), BYTES
#            (hex), TEXT (as binutils' objdump spells it) and, from a run,
#            FIRST: the order of first execution.
#   ALLOWLIST  functions that hold such instructions behind a CPUID check
#            (see tests/k6_allowlist.txt); /dev/null for none.
#   PROGRAM  for the messages; LIMIT: instructions listed (20).
# Exit status: 0 none found, 1 some found, 2 bad input.
. "$(dirname "$0")/lib.sh"
as=$1
symbols=$2
code=$3
allowlist=$4
program=$5
limit=${6:-20}

# objdump's text in gas's spelling, each distinct text given a number, its
# line in $work/texts.s.
awk -F'\t' -v texts="$work/texts.s" '
  NF < 3 {
    print "k6_judge: want ADDRESS<tab>BYTES<tab>TEXT[<tab>FIRST]: " $0 > "/dev/stderr"
    exit 2
  }
  {
    t = $3
    if (index(t, "#"))
      sub(/[ \t]*#.*/, "", t)
    # A direct branch: "call 8049000 <foo+0x10>" to "call 0x8049000". The
    # byte-displacement ones (loop, jecxz) take no absolute target in gas:
    # they branch to themselves instead, which changes nothing judged.
    if (index(t, "<"))
      sub(/ <[^>]*>$/, "", t)
    if (t ~ /[ \t](0x)?[0-9a-f]+$/ && match(t, /(^|[ \t])(j[a-z]*|call|loop[a-z]*)(,p[nt])?[ \t]+(0x)?[0-9a-f]+$/)) {
      target = t
      sub(/.*[ \t](0x)?/, "", target)
      sub(/(0x)?[0-9a-f]+$/, (t ~ /(^|[ \t])(loop[a-z]*|j[e]?cxz)(,p[nt])?[ \t]/ ? "." : "0x" target), t)
    }
    # objdump names the absent index of a SIB byte %eiz, which gas does not read.
    if (index(t, "%eiz")) {
      gsub(/\(,%eiz,/, "(,", t)
      gsub(/,%eiz,[1248]\)/, ")", t)
    }
    # TZCNT is REP BSF, which processors without BMI1 execute as BSF. Compilers
    # emit it for a count of trailing zeros of a value known not to be 0
    # (GCC'"'"'s __builtin_ctz), where the two agree; LZCNT and BSR never do.
    if (index(t, "tzcnt"))
      sub(/(^|[ \t])tzcnt[lw]?[ \t]/, " rep bsf ", t)
    if (!(t in id)) {
      id[t] = ++n
      print t > texts
    }
    print $1 "\t" $2 "\t" $3 "\t" $4 "\t" id[t]
  }' "$code" >"$work/code"
touch "$work/texts.s"
status=0
"$as" --32 -march=k6_2 -o "$work/texts.o" "$work/texts.s" 2>"$work/refused" || status=$?
if [[ $status -ne 0 ]] && ! grep -q ':[0-9]*: Error: ' "$work/refused"; then
  echo "k6_judge: $as failed:" >&2
  cat "$work/refused" >&2
  exit 2
fi

awk -v allowlist="$allowlist" -v program="$program" -v limit="$limit" -v refused="$work/refused" \
    -v symbols="$symbols" '
  function fail_input(message) {
    print "k6_judge: " message > "/dev/stderr"
    bad_input = 1
    exit 2
  }
  # The last symbol at or below the address (16 hex digits): the last one
  # found again (a disassembly comes in order), or by bisection.
  function symbol_at(address,    lo, hi, mid) {
    lo = last_symbol + 0
    if (lo + 1 < nsymbols && symbol_address[lo] <= address && address < symbol_address[lo + 1])
      return symbol_name[lo]
    lo = 0
    hi = nsymbols
    while (hi - lo > 1) {
      mid = int((lo + hi) / 2)
      if (symbol_address[mid] <= address)
        lo = mid
      else
        hi = mid
    }
    last_symbol = lo
    return nsymbols > 0 && symbol_address[lo] <= address ? symbol_name[lo] : "(no symbol)"
  }
  function pad(a) {
    a = tolower(a)
    sub(/^0x/, "", a)
    return substr("0000000000000000", length(a) + 1) a
  }
  function allowed(where, kind,    list) {
    # A clone the compiler made of a function (update_active.constprop.0,
    # f() [clone .isra.0]) is the function the allowlist names.
    if (!(where in allow)) {
      sub(/( \[clone [^]]*\])+$/, "", where)
      sub(/(\.(constprop|isra|part|cold)(\.[0-9]+)?)+$/, "", where)
    }
    if (!(where in allow))
      return 0
    list = "," allow[where] ","
    return list == ",*," || index(list, "," kind ",") > 0
  }
  BEGIN {
    FS = "\t"
    while ((status = (getline line < allowlist)) > 0) {
      if (line ~ /^[ \t]*(#|$)/)
        continue
      if (split(line, f, "\t") != 3 || f[1] == "" || f[2] == "" || f[3] == "")
        fail_input(allowlist ": want FUNCTION<tab>INSTRUCTIONS<tab>CPUID CHECK: " line)
      allow[f[1]] = f[2]
    }
    if (status < 0)
      fail_input("cannot read " allowlist)
    # "ADDRESS TYPE NAME", the name demangled and so maybe with spaces.
    while ((status = (getline line < symbols)) > 0) {
      if (split(line, f, " ") < 3)
        continue
      address = pad(f[1])
      name = line
      sub(/^[ \t]*[0-9a-fA-F]+[ \t]+[^ \t]+[ \t]+/, "", name)
      # Of several symbols at one address, a function'"'"'s rather than its section'"'"'s.
      if (nsymbols > 0 && symbol_address[nsymbols - 1] == address) {
        if (symbol_name[nsymbols - 1] ~ /^\./ && name !~ /^\./)
          symbol_name[nsymbols - 1] = name
        continue
      }
      symbol_address[nsymbols] = address
      symbol_name[nsymbols++] = name
    }
    if (status < 0)
      fail_input("cannot read " symbols)
    # "texts.s:LINE: Error: MESSAGE": the first for each text.
    while ((getline line < refused) > 0)
      if (match(line, /:[0-9]+: Error: /)) {
        number = substr(line, 1, RSTART + RLENGTH - 1)
        sub(/:[ A-Za-z]*: $/, "", number)
        sub(/.*:/, "", number)
        if (!(number in why))
          why[number] = substr(line, RSTART + RLENGTH)
      }
    data_name = "^(\\.gcc_except_table|\\.ctors|\\.dtors|_*[CD]TOR_LIST__)"
    prefixes = "^(lock|rep|repz|repnz|repe|repne|[c-gs]s|data16|data32|addr16|addr32|bnd|notrack)$"
  }
  {
    address = pad($1)
    where = symbol_at(address)
    if (where ~ data_name) {
      data++
      next
    }
    instructions++
    if (!($5 in seen)) {
      seen[$5]
      distinct++
    }
    if ($4 != "")
      runs = 1
    if (!($5 in why))
      next
    # Named as gas names it ("`rdrand'"'"' is not supported", for rdrandl), or
    # where it names none, by the first word of the text that is no prefix.
    if (match(why[$5], /^`[^'"'"' ]*|(instruction|instruction:|for) `[^'"'"' ]*/)) {
      kind = substr(why[$5], RSTART, RLENGTH)
      sub(/.*`/, "", kind)
    } else {
      n = split($3, w, /[ \t]+/)
      for (k = 1; k < n && w[k] ~ prefixes; k++)
        ;
      kind = w[k]
      sub(/,p[nt]$/, "", kind)
    }
    if (allowed(where, kind)) {
      allowed_here[where]++
      next
    }
    hits++
    by_kind[kind]++
    text = $3
    gsub(/[ \t]+/, " ", text)
    sub(/ $/, "", text)
    line = sprintf("  <%s> 0x%s: %s  %s  (%s)", where, substr(address, 9), $2, text, why[$5])
    # The order of first execution is unique in a run.
    order = runs ? $4 + 0 : hits
    if (runs || hits <= limit)
      hit_at[order] = line
    if (first == "" || order < first)
      first = order
    if (order > last)
      last = order
  }
  END {
    if (bad_input)
      exit 2
    allowed_in = ""
    for (where in allowed_here)
      allowed_in = allowed_in sprintf(", <%s> %d", where, allowed_here[where])
    if (allowed_in != "")
      allowed_in = "allowed behind CPUID checks: " substr(allowed_in, 3)
    if (hits == 0) {
      if (runs)
        printf "ok: no instruction a K6-2 lacks among the %d distinct instructions that %s executed " \
               "(%d distinct texts)\n", instructions, program, distinct
      else
        printf "ok: no instruction a K6-2 lacks in %d instructions of %s (%d distinct texts; %d lines " \
               "of data skipped)\n", instructions, program, distinct, data
      if (allowed_in != "")
        print allowed_in
      exit 0
    }
    if (runs)
      printf "FAIL: %s executed %d distinct instructions a K6-2 lacks (of %d distinct instructions " \
             "executed); in order of first execution:\n", program, hits, instructions
    else
      printf "FAIL: %s holds %d instructions a K6-2 lacks (of %d, %d distinct texts), the first %d:\n",
             program, hits, instructions, distinct, hits < limit ? hits : limit
    printed = 0
    for (order = first; order <= last && printed < limit; order++)
      if (order in hit_at) {
        print hit_at[order]
        printed++
      }
    # The counts, largest first.
    summary = ""
    while (1) {
      best = ""
      for (kind in by_kind)
        if (best == "" || by_kind[kind] > by_kind[best])
          best = kind
      if (best == "")
        break
      summary = summary sprintf(", %s %d", best, by_kind[best])
      delete by_kind[best]
    }
    print "by kind: " substr(summary, 3)
    if (allowed_in != "")
      print allowed_in
    exit 1
  }' "$work/code"
