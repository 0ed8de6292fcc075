// The 3DNow! side of the benchmark: a probe for the extension and packed
// counterparts of subtractScalar and squareScalar that handle two floats per
// instruction. The packed kernels exist only on processors for which
// has3DNow() answered 1; elsewhere their instructions fault.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernels/scalar_kernels.h"

namespace statbench {

// The packed kernels take the buffers as pairs of adjacent floats.
inline constexpr std::size_t PAIR_COUNT = SAMPLE_COUNT / 2;
static_assert(SAMPLE_COUNT % 2 == 0, "the packed kernels leave no odd element");

struct CpuidRegisters {
  std::uint32_t eax;
  std::uint32_t ebx;
  std::uint32_t ecx;
  std::uint32_t edx;
};

// Runs the CPUID instruction for one leaf.
using CpuidQuery = CpuidRegisters (*)(std::uint32_t leaf);
CpuidRegisters cpuid(std::uint32_t leaf);

// The probe's decision over CPUID's answers: 1 when the highest extended
// leaf reaches 0x80000001 and that leaf sets bit 31 of EDX, else 0. Leaves
// beyond the highest reported one are never asked.
int has3DNowFrom(CpuidQuery query);
// has3DNowFrom(cpuid): 1 when this processor has 3DNow!, else 0.
int has3DNow();

// out[i] = a[i] - b[i], pair by pair.
void subtract3DNow(const float* a, float* out, const float* b);
// out[i] = x[i] * x[i], pair by pair.
void square3DNow(const float* x, float* out);

}  // namespace statbench
