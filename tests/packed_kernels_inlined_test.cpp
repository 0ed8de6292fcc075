// FEMMS empties the whole x87 register stack, so a packed kernel inlined
// into a caller that holds x87 values in registers must make the compiler
// keep them elsewhere. This program takes the kernels' source into its own
// translation unit, so they are inlined into a caller with live x87 values,
// and fails when a value held across them is lost. Needs 3DNow! (QEMU).
#include <cstdio>

#include "kernels/cpuid_probe.h"
#include "kernels/packed_kernels.cpp"

namespace {

alignas(32) float a[statbench::SAMPLE_COUNT];
alignas(32) float b[statbench::SAMPLE_COUNT];
alignas(32) float out[statbench::SAMPLE_COUNT];

// long double lives on the x87 stack on every x86 target.
[[gnu::flatten, gnu::noinline]] long double acrossTheKernels(long double x, long double y) {
  const long double product = x * y;
  const long double sum = x + y;
  statbench::subtract3DNow(a, out, b);
  statbench::square3DNow(out, out);
  return product + sum * product;
}

}  // namespace

int main() {
  if (statbench::has3DNow() != 1) {
    std::puts("SKIPPED: this processor has no 3DNow!; run under an emulated one");
    return 77;
  }
  volatile long double x = 4.0L;  // opaque, so nothing is folded away
  volatile long double y = 6.0L;
  const long double result = acrossTheKernels(x, y);
  if (result != 264.0L) {
    std::printf("FAIL: x87 values held across the packed kernels were lost: %Lg, expected 264\n",
                result);
    return 1;
  }
  std::puts("ok: x87 values held across the inlined packed kernels survive");
  return 0;
}
