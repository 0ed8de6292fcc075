#include "kernels/packed_kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "kernels/cpuid_probe.h"
#include "kernels/scalar_kernels.h"
#include "tests/hostile_floats.h"
#include "tests/kernel_test_support.h"

namespace statbench {
namespace {

using testing::bitsOf;
using testing::fillDataSet;
using testing::GuardedBuffer;

// --- The packed kernels, where the processor (or QEMU) has them ------------

// Set by the emulated runs, where a probe answering 0 is itself a fault.
bool expect3DNow() {
  const char* value = std::getenv("STATBENCH_EXPECT_3DNOW");
  return value != nullptr && std::string(value) == "1";
}

class PackedKernels : public ::testing::Test {
 protected:
  void SetUp() override {
    if (has3DNow() == 1) return;
    if (expect3DNow()) FAIL() << "the probe found no 3DNow! on a processor that has it";
    GTEST_SKIP() << "this processor has no 3DNow!; run under qemu-x86_64 -cpu phenom";
  }
};

// Normal numbers whose differences and squares stay normal: magnitudes
// from 2^-61 to 2^60, both signs. Only there does the packed unit promise
// IEEE results. It flushes denormal inputs and results to zero, and real
// 3DNow! processors clamp an overflow to the largest normal and give
// undefined results for infinities and NaN (QEMU returns IEEE infinities and
// its default NaN), so such inputs are kept out of the equality tests.
void fillNormal(GuardedBuffer& buffer, unsigned seed) {
  std::mt19937 engine(seed);
  std::uniform_real_distribution<float> mantissa(0.5f, 1.0f);
  std::uniform_int_distribution<int> exponent(-60, 60);
  std::bernoulli_distribution negative(0.5);
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
    const float magnitude = std::ldexp(mantissa(engine), exponent(engine));
    buffer[i] = negative(engine) ? -magnitude : magnitude;
  }
}

void expectSameBits(GuardedBuffer& actual, GuardedBuffer& expected) {
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
    ASSERT_EQ(bitsOf(actual[i]), bitsOf(expected[i])) << "element " << i;
  }
}

// The x87 tag word: 0xFFFF when every register is empty, as it must be
// after FEMMS. MMX code that skips it leaves the registers tagged valid.
std::uint16_t x87TagWord() {
  struct {
    std::uint16_t control, pad0, status, pad1, tags, pad2;
    std::uint32_t rest[4];
  } environment{};
  asm volatile("fnstenv %0\n\tfldenv %0" : "+m"(environment));
  return environment.tags;
}

TEST_F(PackedKernels, SubtractEqualsTheScalarKernel) {
  GuardedBuffer values, means, packed, scalar;
  fillDataSet(values);
  fillMean(values.data(), means.data());
  subtract3DNow(values.data(), packed.data(), means.data());
  subtractScalar(values.data(), scalar.data(), means.data());
  expectSameBits(packed, scalar);

  GuardedBuffer a, b;
  fillNormal(a, 11);
  fillNormal(b, 12);
  subtract3DNow(a.data(), packed.data(), b.data());
  subtractScalar(a.data(), scalar.data(), b.data());
  expectSameBits(packed, scalar);
  packed.expectGuardsUntouched();
  a.expectGuardsUntouched();
  b.expectGuardsUntouched();
}

TEST_F(PackedKernels, SquareEqualsTheScalarKernel) {
  GuardedBuffer x, packed, scalar;
  fillNormal(x, 13);
  square3DNow(x.data(), packed.data());
  squareScalar(x.data(), scalar.data());
  expectSameBits(packed, scalar);
  packed.expectGuardsUntouched();
  x.expectGuardsUntouched();
}

TEST_F(PackedKernels, WritePairByPairInIncreasingOrder) {
  // With the destination one pair ahead of the minuend, each pair reads the
  // pair written just before it: only increasing order counts down 1, 2, 3.
  GuardedBuffer buffer, ones;
  buffer.fill(0.0f);
  ones.fill(1.0f);
  subtract3DNow(buffer.data(), buffer.data() + 2, ones.data());
  for (std::size_t k = 0; k < PAIR_COUNT; ++k) {
    const auto expected = -static_cast<float>(k + 1);
    ASSERT_EQ(buffer[2 * k + 2], expected) << "pair " << k;
    ASSERT_EQ(buffer[2 * k + 3], expected) << "pair " << k;
  }
}

TEST_F(PackedKernels, LeaveTheX87RegistersEmpty) {
  GuardedBuffer a, b, out;
  fillNormal(a, 14);
  fillNormal(b, 15);
  ASSERT_EQ(x87TagWord(), 0xFFFF);
  subtract3DNow(a.data(), out.data(), b.data());
  EXPECT_EQ(x87TagWord(), 0xFFFF) << "subtract3DNow left the packed state";
  square3DNow(a.data(), out.data());
  EXPECT_EQ(x87TagWord(), 0xFFFF) << "square3DNow left the packed state";
}

// The same rules as the scalar kernels over many buffers of normal numbers
// with normal results, the subtrahend often a few units in the last place
// from the minuend so that differences nearly cancel (and stay normal).
TEST_F(PackedKernels, SubtractFollowsTheRoundingRulesOverNormalNumbers) {
  std::mt19937 engine(31);
  std::uniform_int_distribution<std::uint32_t> nearby(0, 16);
  GuardedBuffer a, b, out;
  for (unsigned n = 0; n < testing::propertyBufferCount() / 4; ++n) {
    fillNormal(a, 2 * n + 1000);
    fillNormal(b, 2 * n + 1001);
    for (std::size_t i = 0; i < SAMPLE_COUNT; i += 3) {
      if (const std::uint32_t ulps = nearby(engine); ulps != 0) b.setBits(i, a.bitsAt(i) - ulps);
    }
    const auto aBefore = a.snapshot();
    const auto bBefore = b.snapshot();
    subtract3DNow(a.data(), out.data(), b.data());
    ASSERT_TRUE(testing::expectElements(
        out, [&](std::size_t i) { return testing::expectedDifference(a.bitsAt(i), b.bitsAt(i)); },
        [&](std::size_t i) {
          return testing::hex(a.bitsAt(i)) + " - " + testing::hex(b.bitsAt(i));
        }))
        << "buffer " << n;
    ASSERT_TRUE(a.snapshot() == aBefore && b.snapshot() == bBefore) << "an input changed";
    out.expectGuardsUntouched();
    ASSERT_FALSE(HasFailure()) << "buffer " << n;
  }
}

TEST_F(PackedKernels, SquareFollowsTheRoundingRulesOverNormalNumbers) {
  GuardedBuffer x, out;
  for (unsigned n = 0; n < testing::propertyBufferCount() / 4; ++n) {
    fillNormal(x, n + 2000);
    const auto before = x.snapshot();
    square3DNow(x.data(), out.data());
    ASSERT_TRUE(testing::expectElements(
        out, [&](std::size_t i) { return testing::expectedSquare(x.bitsAt(i)); },
        [&](std::size_t i) { return testing::hex(x.bitsAt(i)) + " squared"; }))
        << "buffer " << n;
    ASSERT_TRUE(x.snapshot() == before) << "the input changed";
    out.expectGuardsUntouched();
    ASSERT_FALSE(HasFailure()) << "buffer " << n;
  }
}

// What the packed kernels give outside normal numbers. A real 3DNow! unit,
// as AMD describes it, takes denormal operands as zero, flushes results
// below the normal range to zero, saturates an overflow at the largest
// normal, and leaves infinities and NaN undefined. QEMU (7.2, -cpu phenom)
// computes IEEE results throughout: denormals kept, overflow to infinity,
// NaN propagated. Each case admits both where both are known and anything
// where the hardware leaves the result undefined; the other float of every
// pair, a normal difference, must come out exact whatever its neighbour
// holds. What this processor gave is recorded as a test property.
struct OutsideNormalNumbers {
  const char* what;
  std::uint32_t a;
  std::uint32_t b;
  std::vector<std::uint32_t> differences;  // of a - b; empty: undefined
  std::vector<std::uint32_t> squares;      // of a * a; empty: undefined
};

TEST_F(PackedKernels, OutsideNormalNumbersGiveTheIeeeResultOrTheHardwaresOwn) {
  const std::vector<OutsideNormalNumbers> cases = {
      {"denormal - denormal", 0x00000100, 0x00000001, {0x000000FF, 0, 0x80000000}, {0}},
      {"normal - denormal", 0x3F800000, 0x00000001, {0x3F800000}, {0x3F800000}},
      {"difference below the normal range",
       0x00800001,
       0x00800000,
       {0x00000001, 0, 0x80000000},
       {0}},
      {"overflow", 0x7F7FFFFF, 0xFF7FFFFF, {0x7F800000, 0x7F7FFFFF}, {0x7F800000, 0x7F7FFFFF}},
      {"infinity - 1", 0x7F800000, 0x3F800000, {}, {}},
      {"infinity - infinity", 0x7F800000, 0x7F800000, {}, {}},
      {"NaN - 1", 0x7FC12345, 0x3F800000, {}, {}},
      {"1 - NaN", 0x3F800000, 0xFFC12345, {}, {}},
  };
  GuardedBuffer a, b, out;
  fillNormal(a, 41);
  fillNormal(b, 42);
  const auto expectOutcome = [&](const char* kernel, const OutsideNormalNumbers& example,
                                 const std::vector<std::uint32_t>& admitted, auto expectedOdd) {
    for (std::size_t i = 0; i < SAMPLE_COUNT; i += 2) {
      const std::uint32_t got = out.bitsAt(i);
      ASSERT_TRUE(admitted.empty() ||
                  std::find(admitted.begin(), admitted.end(), got) != admitted.end())
          << kernel << " of " << example.what << " gave " << testing::hex(got);
      ASSERT_TRUE(expectedOdd(i + 1).admits(out.bitsAt(i + 1)))
          << kernel << ": the normal neighbour of " << example.what << " changed";
    }
    ::testing::Test::RecordProperty(std::string(kernel) + " of " + example.what,
                                    testing::hex(out.bitsAt(0)));
    out.expectGuardsUntouched();
  };
  for (const OutsideNormalNumbers& example : cases) {
    for (std::size_t i = 0; i < SAMPLE_COUNT; i += 2) {
      a.setBits(i, example.a);
      b.setBits(i, example.b);
    }
    subtract3DNow(a.data(), out.data(), b.data());
    expectOutcome("subtract3DNow", example, example.differences, [&](std::size_t i) {
      return testing::expectedDifference(a.bitsAt(i), b.bitsAt(i));
    });
    square3DNow(a.data(), out.data());
    expectOutcome("square3DNow", example, example.squares,
                  [&](std::size_t i) { return testing::expectedSquare(a.bitsAt(i)); });
  }
}

}  // namespace
}  // namespace statbench
