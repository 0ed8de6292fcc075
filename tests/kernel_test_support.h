// Buffers with guard zones on both sides, so kernel tests see any write
// outside elements 0 to SAMPLE_COUNT - 1, and bitwise float comparison.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "kernels/data_set.h"
#include "kernels/scalar_kernels.h"

namespace statbench::testing {

inline std::uint32_t bitsOf(float value) { return std::bit_cast<std::uint32_t>(value); }

class GuardedBuffer {
 public:
  static constexpr std::size_t kGuard = 16;
  // A quiet NaN with a payload no kernel produces. Quiet, because loading a
  // signalling NaN into an x87 register would change its bits.
  static constexpr std::uint32_t kSentinel = 0x7FD5A5A5;

  GuardedBuffer() {
    for (float& slot : storage) slot = std::bit_cast<float>(kSentinel);
  }

  // Element 0, aligned on 32 bytes as the program's buffers are.
  float* data() { return storage + kGuard; }
  float& operator[](std::size_t i) { return data()[i]; }

  void fill(float value) {
    for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) data()[i] = value;
  }

  // Element i by its bits, copied as bytes: a float assignment may pass
  // through an x87 register, which turns a signalling NaN quiet.
  void setBits(std::size_t i, std::uint32_t bits) { std::memcpy(data() + i, &bits, sizeof bits); }
  std::uint32_t bitsAt(std::size_t i) const {
    std::uint32_t bits = 0;
    std::memcpy(&bits, storage + kGuard + i, sizeof bits);
    return bits;
  }

  // Every slot, guards included, to compare before and after a call.
  std::vector<std::uint32_t> snapshot() const {
    std::vector<std::uint32_t> bits(sizeof storage / sizeof bits[0]);
    std::memcpy(bits.data(), storage, sizeof storage);
    return bits;
  }

  void expectGuardsUntouched() const {
    for (std::size_t i = 0; i < kGuard; ++i) {
      EXPECT_EQ(std::bit_cast<std::uint32_t>(storage[i]), kSentinel) << "before element 0, " << i;
      EXPECT_EQ(std::bit_cast<std::uint32_t>(storage[kGuard + SAMPLE_COUNT + i]), kSentinel)
          << "element " << SAMPLE_COUNT + i;
    }
  }

 private:
  alignas(32) float storage[kGuard + SAMPLE_COUNT + kGuard];
};

// The program's own data set, as main fills it.
inline void fillDataSet(GuardedBuffer& values) { statbench::fillDataSet(values.data()); }

}  // namespace statbench::testing
