// These loops are the scalar side of the comparison the benchmark exists to
// make, so the compiler must not turn them into packed SIMD code: GCC gets
// no-tree-vectorize for this file, Clang a loop pragma on each loop. A test
// disassembles the built kernels to keep it that way.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("no-tree-vectorize")
#endif

#include "kernels/scalar_kernels.h"

#include <bit>
#include <cmath>
#include <cstdint>

#if defined(__clang__)
#define STATBENCH_SCALAR_LOOP _Pragma("clang loop vectorize(disable) interleave(disable)")
#else
#define STATBENCH_SCALAR_LOOP
#endif

namespace statbench {
namespace {

// The single-precision value nearest to 1/9998 (0.00010002000635722652),
// by its bit pattern. The mean multiplies by it instead of dividing.
constexpr float kMeanFactor = std::bit_cast<float>(std::uint32_t{0x38D1C1D5});
// The single-precision value nearest to 1/9997 (0.00010003001079894602):
// the sample variance divides by SAMPLE_COUNT - 1.
constexpr float kVarianceFactor = std::bit_cast<float>(std::uint32_t{0x38D1C734});

}  // namespace

Spread sampleSpread(double sumOfSquares) {
  const double variance = sumOfSquares * static_cast<double>(kVarianceFactor);
  return {static_cast<float>(variance), static_cast<float>(std::sqrt(variance))};
}

double sumValues(const float* x) {
  double acc = 0.0;
  STATBENCH_SCALAR_LOOP
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
    acc += static_cast<double>(x[i]);
  }
  return acc;
}

void fillMean(const float* x, float* means) {
  means[0] = static_cast<float>(sumValues(x) * static_cast<double>(kMeanFactor));
  // The deviation kernels read the mean slot by slot, so every slot gets it.
  STATBENCH_SCALAR_LOOP
  for (std::size_t i = 1; i < SAMPLE_COUNT; ++i) {
    means[i] = means[i - 1];
  }
}

void subtractScalar(const float* a, float* out, const float* b) {
  STATBENCH_SCALAR_LOOP
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
    out[i] = static_cast<float>(static_cast<double>(a[i]) - static_cast<double>(b[i]));
  }
}

void squareScalar(const float* x, float* out) {
  STATBENCH_SCALAR_LOOP
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
    const auto value = static_cast<double>(x[i]);
    out[i] = static_cast<float>(value * value);
  }
}

}  // namespace statbench
