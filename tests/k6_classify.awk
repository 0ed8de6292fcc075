# Judges x86 instructions by what an AMD K6-2 executes: the i586 (Pentium)
# instruction set with its x87, MMX and the original 3DNow!. Anything else
# (CMOV, FCMOV and FCOMI of the P6, SSE of any generation and the XMM
# registers, the Athlon's extensions to MMX and 3DNow!, the hint-NOP space
# 0F 18-0F 1F with its multi-byte NOP and ENDBR32, and all that came later)
# stops a K6-2 with an invalid-opcode fault, or worse, runs as something
# else (LZCNT as BSR).
#
# A list of what the K6-2 has, not of what it lacks: an instruction this
# file has never heard of fails, where a list of forbidden ones would let
# every instruction that nobody thought of through. The list is read in
# the AT&T spellings of binutils' objdump and of Capstone (QEMU's
# disassembler), which differ in size suffixes (push/pushl, call/calll,
# cmovne/cmovnel): a suffix b, w, l or q, and on x87 instructions s, t or
# ll (flds, fldt, fildll), is dropped when what is left is an instruction of
# the list. No instruction a K6-2 lacks becomes one of the list so, but for
# the multi-byte NOP (nopw, nopl), which is caught by its operand and by its
# opcode bytes.
#
# Input, first file: `nm -n --defined-only -C` of the program's symbols.
# The nearest symbol at or below an instruction names it; a symbol of the
# data that the MinGW linker places inside .text (exception tables,
# constructor and destructor lists) makes what follows it, up to the next
# symbol, data, which is not judged.
# Second file, one instruction a line, tab-separated:
#   ADDRESS (16 hex digits)  BYTES (hex)  TEXT  [FIRST  COUNT]
# FIRST and COUNT come from an emulated run (tests/k6_plugin.c): the order
# of first execution and how often it ran ("?" if the run died first).
#
# Variables: allowlist (file), program (for messages), limit (offending
# instructions printed, 20 by default).
#
# The allowlist names functions that hold such instructions behind a CPUID
# check, so that they run only on processors that have them. One a line,
# tab-separated: FUNCTION (as labelled here), the instructions allowed in it
# (comma-separated, named as the counts below name them: cmov, fcomi,
# rdrand, ...; or * for all: a function that is entered only after the
# check), and the check.
#
# Exit status: 0 none found, 1 some found, 2 bad input.

function fail_input(message) {
  print "k6_classify: " message > "/dev/stderr"
  bad_input = 1
  exit 2
}

function pad(a) {
  a = tolower(a)
  sub(/^0x/, "", a)
  a = sprintf("%16s", a)
  gsub(/ /, "0", a)
  return a
}

function add(list, words,    n, w, k) {
  n = split(words, w, " ")
  for (k = 1; k <= n; k++)
    known[w[k]] = list
}

function known_instructions(    cc, n, c, k) {
  # i586 integer and system instructions.
  add("i586", "aaa aad aam aas adc add and arpl bound bsf bsr bswap bt btc btr bts")
  add("i586", "call lcall cbw cwde cwd cdq cbtw cwtl cwtd cltd clc cld cli clts cmc cmp")
  add("i586", "cmps cmpxchg cmpxchg8b cpuid daa das dec div enter hlt idiv imul in inc ins")
  add("i586", "int int3 into invd invlpg iret jmp ljmp jcxz jecxz lahf lar lds lea leave les")
  add("i586", "lfs lgdt lgs lidt lldt lmsw lods loop loope loopne loopz loopnz lsl lss ltr")
  add("i586", "mov movs movsx movzx movsbw movsbl movswl movzbw movzbl movzwl mul neg nop")
  add("i586", "not or out outs pop popa popf push pusha pushf rcl rcr rdmsr rdtsc ret lret")
  add("i586", "rol ror rsm sahf sal sar sbb scas shl shld shr shrd sgdt sidt sldt smsw stc")
  add("i586", "std sti stos str sub test verr verw wait fwait wbinvd wrmsr xadd xchg xlat")
  add("i586", "xlatb xor")
  # Not new instructions: UD2 raises the invalid-opcode fault it is meant
  # to on any processor; PAUSE is REP NOP, a NOP before the Pentium 4; and
  # TZCNT is REP BSF, which processors without BMI1 execute as BSF.
  # Compilers emit it for a count of trailing zeros of a value known not to
  # be 0 (GCC's __builtin_ctz), where the two agree; LZCNT and BSR never do.
  add("i586", "ud2 pause tzcnt")
  cc = "o no b c nae nb nc ae e z ne nz be na nbe a s ns p pe np po l nge nl ge le ng nle g"
  n = split(cc, c, " ")
  for (k = 1; k <= n; k++) {
    known["j" c[k]] = "i586"
    known["set" c[k]] = "i586"
  }
  # The x87 of the Pentium.
  add("x87", "f2xm1 fabs fadd faddp fiadd fbld fbstp fchs fclex fnclex fcom fcomp fcompp")
  add("x87", "fcos fdecstp fdiv fdivp fidiv fdivr fdivrp fidivr ffree ficom ficomp fild")
  add("x87", "fincstp finit fninit fist fistp fld fld1 fldcw fldenv fldl2e fldl2t fldlg2")
  add("x87", "fldln2 fldpi fldz fmul fmulp fimul fnop fpatan fprem fprem1 fptan frndint")
  add("x87", "frstor fsave fnsave fscale fsin fsincos fsqrt fst fstcw fnstcw fstenv fnstenv")
  add("x87", "fstp fstsw fnstsw fsub fsubp fisub fsubr fsubrp fisubr ftst fucom fucomp")
  add("x87", "fucompp fxam fxch fxtract fyl2x fyl2xp1")
  # MMX (paddq, psubq and pmuludq on MMX registers are SSE2's).
  add("mmx", "emms movd movq packssdw packsswb packuswb paddb paddw paddd paddsb paddsw")
  add("mmx", "paddusb paddusw pand pandn pcmpeqb pcmpeqw pcmpeqd pcmpgtb pcmpgtw pcmpgtd")
  add("mmx", "pmaddwd pmulhw pmullw por psllw pslld psllq psraw psrad psrlw psrld psrlq")
  add("mmx", "psubb psubw psubd psubsb psubsw psubusb psubusw punpckhbw punpckhwd")
  add("mmx", "punpckhdq punpcklbw punpcklwd punpckldq pxor")
  # The K6-2's 3DNow!, without the Athlon's additions.
  add("3dnow", "femms pavgusb pf2id pfacc pfadd pfcmpeq pfcmpge pfcmpgt pfmax pfmin pfmul")
  add("3dnow", "pfrcp pfrcpit1 pfrcpit2 pfrsqit1 pfrsqrt pfsub pfsubr pi2fd pmulhrw")
  add("3dnow", "prefetch prefetchw")
  # Prefixes, which both disassemblers print as words of their own. The K6
  # ignores a REP before a non-string instruction (bnd) and a segment
  # override on a near branch (notrack).
  n = split("lock rep repz repnz repe repne cs ds es ss fs gs data16 data32 addr16 addr32 " \
            "bnd notrack", c, " ")
  for (k = 1; k <= n; k++)
    prefix[c[k]] = 1
}

# The instruction as in the list, or "" when it is not there.
function base(m,    b) {
  if (m in known)
    return m
  if (m ~ /^f.*ll$/) {
    b = substr(m, 1, length(m) - 2)
    if (b in known)
      return b
  }
  if (m ~ /[bwlq]$/ || m ~ /^f.*[st]$/) {
    b = substr(m, 1, length(m) - 1)
    if (b in known && b != "nop")
      return b
  }
  return ""
}

# The reg field (bits 5-3) of a ModRM byte in hex.
function modrm_reg(byte,    high, low) {
  high = index("0123456789abcdef", substr(byte, 1, 1)) - 1
  low = index("0123456789abcdef", substr(byte, 2, 1)) - 1
  return high % 4 * 2 + int(low / 8)
}

# Why the instruction is not one a K6-2 executes, or "" when it is. Sets
# mnemonic, its name as spelled without prefixes, and kind, what it is
# counted as.
function judge(bytes, text,    w, n, k, operands, op) {
  n = split(tolower(text), w, /[ \t]+/)
  k = 1
  while (k <= n && (w[k] == "" || w[k] in prefix))
    k++
  mnemonic = k <= n ? w[k] : ""
  sub(/,p[nt]$/, "", mnemonic)  # branch hints
  operands = ""
  for (k++; k <= n; k++)
    if (w[k] != "")
      operands = operands " " w[k]
  # The opcode, past any prefix bytes.
  op = bytes
  while (op ~ /^(66|67|f0|f2|f3|2e|36|3e|26|64|65)/)
    op = substr(op, 3)
  kind = mnemonic
  if (op ~ /^0f1[89a-f]/)
    return "hint-NOP space 0F 18-0F 1F"
  if (op == "")
    return ""  # prefixes alone
  if (mnemonic == "" || mnemonic ~ /^[.(]/) {
    # Capstone 4 does not know 3DNow!'s PREFETCH (0F 0D /0; it does know
    # PREFETCHW, /1).
    if (op ~ /^0f0d/ && modrm_reg(substr(op, 5, 2)) <= 1) {
      kind = "prefetch"
      return ""
    }
    # QEMU hands over only the bytes it read before it refused one, too
    # few for Capstone: the opcode tells.
    kind = op ~ /^0f4/ ? "cmov" : op ~ /^d[ab][c-d]/ ? "fcmov" : op ~ /^d[bf]e[89a-f]|^d[bf]f[0-7]/ ? "fcomi" : "not decoded"
    return "not decoded"
  }
  if (mnemonic ~ /^cmov/)
    kind = "cmov"
  else if (mnemonic ~ /^fcmov/)
    kind = "fcmov"
  else if (mnemonic ~ /^fu?comip?$/)
    kind = "fcomi"
  if (operands ~ /%[xyz]mm[0-9]/) {
    kind = "xmm registers"
    return "XMM register"
  }
  if (mnemonic ~ /^nop/ && operands != "")
    return "multi-byte NOP"
  if (base(mnemonic) != "")
    return ""
  # Named without the size suffix a disassembler may add (rdrandl), for
  # the allowlist and the counts.
  if (kind ~ /^(rdrand|rdseed|xgetbv|xbegin|xabort|ldmxcsr|stmxcsr|fxsave|fxrstor|fisttp|popcnt|lzcnt|movbe)[lqsw]$/)
    kind = substr(kind, 1, length(kind) - 1)
  return "not in the K6-2's instruction set"
}

function allowed(function_name,    list) {
  # A clone the compiler made of a function (update_active.constprop.0,
  # f() [clone .isra.0]) is the function the allowlist names.
  if (!(function_name in allow)) {
    sub(/( \[clone [^]]*\])+$/, "", function_name)
    sub(/(\.(constprop|isra|part|cold)(\.[0-9]+)?)+$/, "", function_name)
  }
  if (!(function_name in allow))
    return 0
  list = "," allow[function_name] ","
  return list == ",*," || index(list, "," kind ",") > 0
}

function symbol_at(address,    lo, hi, mid) {
  # The last symbol at or below the address, by bisection.
  lo = 0
  hi = nsymbols
  while (hi - lo > 1) {
    mid = int((lo + hi) / 2)
    if (symbol_address[mid] <= address)
      lo = mid
    else
      hi = mid
  }
  return nsymbols > 0 && symbol_address[lo] <= address ? lo : -1
}

BEGIN {
  FS = "\t"
  if (limit == "")
    limit = 20
  known_instructions()
  if (allowlist != "") {
    while ((status = (getline line < allowlist)) > 0) {
      if (line ~ /^[ \t]*(#|$)/)
        continue
      n = split(line, f, "\t")
      if (n != 3 || f[1] == "" || f[2] == "" || f[3] == "")
        fail_input(allowlist ": want FUNCTION<tab>INSTRUCTIONS<tab>CPUID CHECK: " line)
      allow[f[1]] = f[2]
    }
    if (status < 0)
      fail_input("cannot read " allowlist)
    close(allowlist)
  }
  data_name = "^(\\.gcc_except_table|\\.ctors|\\.dtors|_*[CD]TOR_LIST__)"
}

FNR == 1 {
  file++
}

# Symbols: "ADDRESS TYPE NAME", the name demangled and so maybe with spaces.
file == 1 {
  if (split($0, f, " ") < 3)
    next
  address = pad(f[1])
  name = $0
  sub(/^[ \t]*[0-9a-fA-F]+[ \t]+[^ \t]+[ \t]+/, "", name)
  # Of several symbols at one address, a function's name rather than its
  # section's.
  if (nsymbols > 0 && symbol_address[nsymbols - 1] == address) {
    if (symbol_name[nsymbols - 1] ~ /^\./ && name !~ /^\./)
      symbol_name[nsymbols - 1] = name
    next
  }
  symbol_address[nsymbols] = address
  symbol_name[nsymbols++] = name
  next
}

{
  if (NF < 3)
    fail_input("want ADDRESS<tab>BYTES<tab>TEXT[<tab>FIRST<tab>COUNT]: " $0)
  if (NF >= 5)
    runs = 1
  address = pad($1)
  s = symbol_at(address)
  where = s < 0 ? "(no symbol)" : symbol_name[s]
  if (where ~ data_name) {
    data++
    next
  }
  instructions++
  if (NF >= 5 && $5 != "?")
    executed_times += $5
  why = judge($2, $3)
  if (why == "")
    next
  if (allowed(where)) {
    allowed_here[where] += 1
    allowed_count++
    next
  }
  hits++
  times = runs && $5 != "?" ? $5 : 1
  by_kind[kind] += times
  text = $3
  gsub(/[ \t]+/, " ", text)
  sub(/ $/, "", text)
  line = sprintf("  <%s> 0x%s: %s  %s  (%s)", where, substr(address, 9), $2, text, why)
  if (runs) {
    line = line ", run " $5 " times"
    executions += times
    if ($5 == "?")
      died = 1
    # The order of first execution is unique in a run.
    order = $4 + 0
    hit_at[order] = line
    if (first_order == "" || order < first_order)
      first_order = order
    if (order > last_order)
      last_order = order
  } else if (hits <= limit) {
    hit_at[hits - 1] = line
  }
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
      printf "ok: no instruction a K6-2 lacks among the %d distinct instructions that %s " \
             "executed, %.0f times\n", instructions, program, executed_times
    else
      printf "ok: no instruction a K6-2 lacks in %d instructions of %s (%d lines of data " \
             "skipped)\n", instructions, program, data + 0
    if (allowed_in != "")
      print allowed_in
    exit 0
  }
  if (runs) {
    printf "FAIL: %s executed %d distinct instructions a K6-2 lacks, %.0f times%s (of %d " \
           "distinct instructions executed, %.0f times); in order of first execution:\n",
           program, hits, executions, died ? " at least (the run died)" : "", instructions,
           executed_times
    printed = 0
    for (order = first_order; order <= last_order && printed < limit; order++)
      if (order in hit_at) {
        print hit_at[order]
        printed++
      }
  } else {
    printf "FAIL: %s holds %d instructions a K6-2 lacks, the first %d:\n", program, hits,
           hits < limit ? hits : limit
    for (k = 0; k < hits && k < limit; k++)
      print hit_at[k]
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
}
