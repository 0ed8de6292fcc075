#!/usr/bin/env bash
# The K6-2 check on a program of known instructions: one function for each
# kind that a K6-2 lacks, which the check must name unless the allowlist
# lets that function hold it, one of the K6-2's own instructions, which it
# must pass, and data among the code where the MinGW linker puts it, which
# it must skip. With --run, the program also runs under QEMU (k6_watch.sh):
# on the emulated K6-2 executing only the K6-2's own, which must pass; on
# QEMU's "max" processor executing those of the kinds that it has too,
# which must each be named, in the order they ran, with the watch's own exit
# status; and on the emulated K6-2 again, which stops at the first of them
# (a CMOV), cut short in QEMU's log, and must still be named.
# Usage: k6_check_test.sh AS LD OBJDUMP NM [--run QEMU K6_2_MODEL]
. "$(dirname "$0")/lib.sh"
as=$1
ld=$2
objdump=$3
nm=$4
run=no
if [[ ${5:-} == --run ]]; then
  run=yes
  qemu=$6
  k6_2=$7
fi
here=$(dirname "$0")

# Kind, then the instruction; "run" where QEMU's max processor executes it
# in the second run. The stack is the memory operand where one runs.
cases='cmov           cmovne %eax,%edx                run
fcmov          fcmovb %st(1),%st
fcomi          fcomi %st(1),%st                run
fucomip        fucomip %st(1),%st
nopl           nopl 0x0(%eax)                  run
nopw           nopw %cs:0x0(%eax,%eax,1)
endbr32        endbr32                         run
hint_nop       nop %eax
prefetcht0     prefetcht0 (%eax)
prefetchnta    prefetchnta (%eax)
sse            movaps %xmm0,%xmm1              run
sse_scalar     movss %xmm0,%xmm1
xmm_register   movd %eax,%xmm0
ldmxcsr        ldmxcsr (%eax)
stmxcsr        stmxcsr (%eax)
fxsave         fxsave (%eax)
sysenter       sysenter
pshufw         pshufw $0,%mm0,%mm1             run
pminub         pminub %mm0,%mm1
pavgb          pavgb %mm0,%mm1
pmulhuw        pmulhuw %mm0,%mm1
psadbw         psadbw %mm0,%mm1
pextrw         pextrw $0,%mm0,%eax
pmovmskb       pmovmskb %mm0,%eax
movntq         movntq %mm0,(%eax)
maskmovq       maskmovq %mm0,%mm1
sfence         sfence
mmx_sse2       paddq %mm0,%mm1
pf2iw          pf2iw %mm0,%mm1
pfnacc         pfnacc %mm0,%mm1
pswapd         pswapd %mm0,%mm1
rdrand         rdrand %eax
rdseed         rdseed %eax
xgetbv         xgetbv
xbegin         xbegin .
rdsspd         rdsspd %eax
incsspd        incsspd %eax
popcnt         popcnt %eax,%edx                run
lzcnt          lzcnt %eax,%edx
movbe          movbe (%eax),%edx
fisttp         fisttpl (%eax)'

# What a K6-2 has, run on the emulated K6-2: safe on any state. Some in
# spellings of objdump that the judge rewrites for gas: the padding lea
# 0x0(%esi,%eiz,1),%esi (as bytes, gas does not take it as text), branch
# targets, TZCNT.
legal='push %ebp; mov %esp,%ebp; sub $64,%esp; pushl $7; popl %eax; pusha; popa; pushf; popf
xor %ecx,%ecx; inc %ecx; .byte 0x8d,0x74,0x26,0x00; xchg %ax,%ax; nop; movzbl %al,%edx
movsbl %al,%edx; movzwl %ax,%edx; movsx %al,%dx; cwtl; cltd; imul $3,%eax,%edx; shld $2,%eax,%edx
bt $1,%eax; setne %dl; bswap %edx; lock xadd %eax,(%esp); sahf; lahf; pause; tzcnt %ecx,%edx
lea 16(%esp),%edi; rep stosl; cld; leal 8(%esp),%esi; mov $1,%ecx; rep movsb
xor %eax,%eax; cpuid; rdtsc; mov %eax,(%esp); mov %edx,4(%esp); cmpxchg8b (%esp)
fld1; flds (%esp); fldl (%esp); fildl (%esp); fildll (%esp); fadd %st(1),%st; fmulp; fxch
fucomp; fcompp; fnstsw %ax; fnstcw (%esp); fldcw (%esp); fldz; fistpll 8(%esp); fwait
movd %eax,%mm0; movq %mm0,%mm1; paddd %mm0,%mm1; pmaddwd %mm0,%mm1; psllq $3,%mm1
punpcklbw %mm0,%mm1; pxor %mm1,%mm1; movq %mm1,(%esp); emms
femms; pi2fd %mm0,%mm1; pfadd %mm1,%mm1; pfmul %mm1,%mm1; pfrcp %mm1,%mm2; pf2id %mm2,%mm3
pavgusb %mm0,%mm1; pmulhrw %mm0,%mm1; prefetch (%esp); prefetchw (%esp); femms
loop 2f; 2: jecxz 3f; 3: test %eax,%eax; je 1f; jne 1f; 1: leave; ret'

program() {  # NAME: the program, with _start calling the cases that run if NAME is watched
  {
    echo '.text'
    echo '.globl _start'
    echo '_start: call k6_legal'
    if [[ $1 == watched ]]; then
      awk '$NF == "run" { print "call k6_" $1 }' <<<"$cases"
    fi
    echo 'mov $1,%eax; xor %ebx,%ebx; int $0x80'
    echo '__CTOR_LIST__: .byte 0x0f,0x45,0xd0'  # cmovne %eax,%edx, were it code
    echo 'k6_legal:'
    echo "$legal"
    while read -r kind instruction; do
      printf 'k6_%s: %s; ret\n' "$kind" "${instruction% run}"
    done <<<"$cases"
  } >"$work/$1.S"
  # The memory operands of the cases that run point at the stack.
  sed -i '/^k6_\(ldmxcsr\|movntq\)/!s/(%eax)/(%esp)/' "$work/$1.S"
  "$as" --32 -o "$work/$1.o" "$work/$1.S"
  "$ld" -m elf_i386 -o "$work/$1" "$work/$1.o"
}
program watched

# An allowlist that lets one function hold anything, and another only an
# instruction it does not hold.
printf 'k6_rdrand\t*\tnone\nk6_cmov\tfcomi\tnone\n' >"$work/allowlist"
K6_LIMIT=1000 bash "$here/k6_disassembly_test.sh" "$objdump" "$nm" "$as" "$work/watched" "$work/watched" \
  "$work/allowlist" >"$work/static" && status=0 || status=$?
wrong=()
while read -r kind _; do
  named=no
  grep -q "^  <k6_$kind> " "$work/static" && named=yes
  [[ $named == yes && $kind != rdrand || $named == no && $kind == rdrand ]] || wrong+=("$kind")
done <<<"$cases"
if [[ $status -ne 1 || ${#wrong[@]} -gt 0 ]] || grep -q '<k6_legal>\|<_start>\|<__CTOR_LIST__>' "$work/static"; then
  echo "FAIL: the static check (status $status) got wrong: ${wrong[*]:-nothing}; its verdict:"
  cat "$work/static"
  exit 1
fi
echo "ok: the static check names all $(($(wc -l <<<"$cases") - 1)) kinds not allowed, passes the" \
  "allowed one and the K6-2's own, skips the data"
[[ $run == yes ]] || exit 0

program legal
watch() {  # PROGRAM QEMU-CPU: the watch's verdict in $work/run, its status in $status
  status=0
  bash "$here/k6_watch.sh" "$objdump" "$nm" "$as" "$work/$1" "$work/$1" /dev/null -- \
    "$qemu" -cpu "$2" "$work/$1" 2>"$work/run" || status=$?
  named=$(sed -nE 's/^  <([^>]*)> .*/\1/p' "$work/run")
}
failed() {  # MESSAGE: fails with it and the watch's verdict
  echo "FAIL: $1"
  cat "$work/run"
  exit 1
}
watch legal "$k6_2"
if [[ $status -ne 0 ]] || ! grep -q '^ok: ' "$work/run"; then
  failed "the K6-2's own instructions on the emulated K6-2: status $status"
fi
expected=$(awk '$NF == "run" { print "k6_" $1 }' <<<"$cases")
watch watched max
[[ $status -eq 3 && $named == "$expected" ]] ||
  failed "on QEMU's max processor: status $status (want 3), named: ${named//$'\n'/ } (want ${expected//$'\n'/ })"
watch watched "$k6_2"
[[ $status -eq 3 && $named == k6_cmov ]] ||
  failed "on the emulated K6-2: status $status (want 3), named: ${named//$'\n'/ } (want k6_cmov)"
echo "ok: the watch names the $(wc -l <<<"$expected") kinds executed on QEMU's max processor, in order," \
  "and the CMOV that stops the emulated K6-2"
