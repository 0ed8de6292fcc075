// The scalar kernels over thousands of random buffers of awkward floats:
// every output bit as the rounding rules give it (tests/hostile_floats.h),
// the inputs and everything around elements 0 to 9997 left as they were.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "kernels/scalar_kernels.h"
#include "tests/hostile_floats.h"
#include "tests/kernel_test_support.h"

namespace statbench {
namespace {

using testing::Expected;
using testing::expectElements;
using testing::GuardedBuffer;
using testing::hex;
using testing::HostileFloats;
using testing::propertyBufferCount;

TEST(ScalarKernelsProperty, SubtractFollowsTheRoundingRules) {
  HostileFloats floats(21);
  GuardedBuffer a, b, out;
  for (unsigned n = 0; n < propertyBufferCount(); ++n) {
    for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
      a.setBits(i, floats.any());
      b.setBits(i, floats.partnerOf(a.bitsAt(i)));
    }
    const auto aBefore = a.snapshot();
    const auto bBefore = b.snapshot();
    subtractScalar(a.data(), out.data(), b.data());
    const bool matched = expectElements(
        out, [&](std::size_t i) { return testing::expectedDifference(a.bitsAt(i), b.bitsAt(i)); },
        [&](std::size_t i) { return hex(a.bitsAt(i)) + " - " + hex(b.bitsAt(i)); });
    ASSERT_TRUE(matched) << "buffer " << n;
    ASSERT_TRUE(a.snapshot() == aBefore && b.snapshot() == bBefore) << "an input changed";
    out.expectGuardsUntouched();
    ASSERT_FALSE(HasFailure()) << "buffer " << n;
  }
}

TEST(ScalarKernelsProperty, SquareFollowsTheRoundingRules) {
  HostileFloats floats(22);
  GuardedBuffer x, out;
  for (unsigned n = 0; n < propertyBufferCount(); ++n) {
    for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) x.setBits(i, floats.any());
    const auto before = x.snapshot();
    squareScalar(x.data(), out.data());
    const bool matched = expectElements(
        out, [&](std::size_t i) { return testing::expectedSquare(x.bitsAt(i)); },
        [&](std::size_t i) { return hex(x.bitsAt(i)) + " squared"; });
    ASSERT_TRUE(matched) << "buffer " << n;
    ASSERT_TRUE(x.snapshot() == before) << "the input changed";
    out.expectGuardsUntouched();
    ASSERT_FALSE(HasFailure()) << "buffer " << n;
  }
}

TEST(ScalarKernelsProperty, SumAndMeanFollowTheRoundingRules) {
  const auto meanFactor = std::bit_cast<float>(std::uint32_t{0x38D1C1D5});
  HostileFloats floats(23);
  GuardedBuffer x, means;
  for (unsigned n = 0; n < propertyBufferCount(); ++n) {
    floats.fillForSum(x, n);
    const auto before = x.snapshot();
    const testing::ExpectedSum sum = testing::expectedSum(x);
    const double actual = sumValues(x.data());
    ASSERT_TRUE(sum.admits(actual))
        << "buffer " << n << ": sum " << hex(std::bit_cast<std::uint64_t>(actual)) << ", expected "
        << (sum.anyNaN ? "any NaN" : hex(sum.bits));
    fillMean(x.data(), means.data());
    const Expected mean = testing::expectedMean(sum, meanFactor);
    // Every slot holds exactly what slot 0 holds.
    const bool matched = expectElements(
        means,
        [&](std::size_t i) {
          return i == 0 ? mean : Expected{means.bitsAt(0), false};
        },
        [&](std::size_t i) { return i == 0 ? "the mean" : "a copy of slot 0"; });
    ASSERT_TRUE(matched) << "buffer " << n;
    ASSERT_TRUE(x.snapshot() == before) << "the input changed";
    means.expectGuardsUntouched();
    ASSERT_FALSE(HasFailure()) << "buffer " << n;
  }
}

}  // namespace
}  // namespace statbench
