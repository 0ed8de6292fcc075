// Packed 3DNow! counterparts of subtractScalar and squareScalar that handle
// two floats per instruction. They exist only on processors for which
// has3DNow() (kernels/cpuid_probe.h) answered 1; elsewhere their instructions
// fault.
#pragma once

#include <cstddef>

#include "kernels/scalar_kernels.h"

namespace statbench {

// The packed kernels take the buffers as pairs of adjacent floats.
inline constexpr std::size_t PAIR_COUNT = SAMPLE_COUNT / 2;
static_assert(SAMPLE_COUNT % 2 == 0, "the packed kernels leave no odd element");

// out[i] = a[i] - b[i], pair by pair.
void subtract3DNow(const float* a, float* out, const float* b);
// out[i] = x[i] * x[i], pair by pair.
void square3DNow(const float* x, float* out);

}  // namespace statbench
