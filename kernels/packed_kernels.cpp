// The 3DNow! kernels, written as inline assembly: compilers no longer ship
// the 3DNow! intrinsics, and one asm block per kernel guarantees that no
// compiler-generated x87 or SSE instruction lands between the MMX ones. Each
// kernel is FEMMS, 4999 iterations of two MOVQ loads, PFSUB or PFMUL and a
// MOVQ store, then FEMMS. The FEMMS at entry starts the packed state
// cleanly; the one at exit empties the x87 register tags again, without
// which the caller's next x87 instruction would find a full register stack.
// FEMMS empties the whole x87 stack, so every asm block names st to st(7)
// as clobbered: inlined beside a live x87 value, the compiler must not
// expect to find it there afterwards.
// This file is built only for x86; 32-bit builds enable MMX for it so that
// the asm may name the MMX registers.
#include "kernels/packed_kernels.h"

namespace statbench {

void subtract3DNow(const float* a, float* out, const float* b) {
  std::size_t pair = 0;
  asm volatile(
      "femms\n\t"
      "1:\n\t"
      "movq (%[b],%[pair],8), %%mm0\n\t"
      "movq (%[a],%[pair],8), %%mm1\n\t"
      "pfsub %%mm0, %%mm1\n\t"
      "movq %%mm1, (%[out],%[pair],8)\n\t"
      "inc %[pair]\n\t"
      "cmp %[pairs], %[pair]\n\t"
      "jb 1b\n\t"
      "femms"
      : [pair] "+r"(pair)
      : [a] "r"(a), [b] "r"(b), [out] "r"(out), [pairs] "r"(PAIR_COUNT)
      : "mm0", "mm1", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)", "memory",
        "cc");
}

void square3DNow(const float* x, float* out) {
  std::size_t pair = 0;
  asm volatile(
      "femms\n\t"
      "1:\n\t"
      "movq (%[x],%[pair],8), %%mm0\n\t"
      "movq %%mm0, %%mm1\n\t"
      "pfmul %%mm1, %%mm0\n\t"
      "movq %%mm0, (%[out],%[pair],8)\n\t"
      "inc %[pair]\n\t"
      "cmp %[pairs], %[pair]\n\t"
      "jb 1b\n\t"
      "femms"
      : [pair] "+r"(pair)
      : [x] "r"(x), [out] "r"(out), [pairs] "r"(PAIR_COUNT)
      : "mm0", "mm1", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)", "memory",
        "cc");
}

}  // namespace statbench
