// The program's four work buffers and its data set, shared by main and the
// micro-benchmarks so that both time the kernels on the same numbers.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "kernels/scalar_kernels.h"

namespace statbench {

// 0.1f, the step between consecutive values of the data set.
inline constexpr float kDataStep = std::bit_cast<float>(std::uint32_t{0x3DCCCCCD});

struct WorkBuffers {
  alignas(32) float values[SAMPLE_COUNT];
  alignas(32) float means[SAMPLE_COUNT];
  alignas(32) float deviations[SAMPLE_COUNT];
  alignas(32) float squares[SAMPLE_COUNT];
};

// 0, 0.1, ..., 999.7: each value is i times 0.1f, rounded once.
inline void fillDataSet(float* values) {
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
    values[i] = static_cast<float>(static_cast<double>(i) * static_cast<double>(kDataStep));
  }
}

}  // namespace statbench
