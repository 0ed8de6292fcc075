#include "kernels/scalar_kernels.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

#include "tests/kernel_test_support.h"

namespace statbench {
namespace {

using testing::bitsOf;
using testing::fillDataSet;
using testing::GuardedBuffer;

// Every float of the data set is a whole multiple of 2^-27 and their total
// stays below 2^23, so a double holds each partial sum exactly: the
// expected sum can be formed in integers, away from any floating-point
// accumulation.
double exactDataSetSum(GuardedBuffer& values) {
  std::int64_t units = 0;
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
    units += static_cast<std::int64_t>(std::ldexp(static_cast<double>(values[i]), 27));
  }
  return std::ldexp(static_cast<double>(units), -27);
}

// Floats made from random bits: both signs, every significand, magnitudes
// from 2^-100 to 2^100. Formed with integers alone, so that every build gets
// the same data whatever its floating-point unit.
void fillFromBits(GuardedBuffer& buffer, std::uint64_t seed) {
  std::uint64_t state = seed;
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    const auto high = static_cast<std::uint32_t>(state >> 32);
    const auto exponent = static_cast<std::uint32_t>(27 + (state >> 16 & 0xFFFF) % 201);
    buffer[i] = std::bit_cast<float>((high & 0x807FFFFFu) | exponent << 23);
  }
}

// FNV-1a over the bytes of the values it is given, low byte first.
class Digest {
 public:
  void add(double value) { addBytes(std::bit_cast<std::uint64_t>(value), 8); }
  void add(GuardedBuffer& buffer) {
    for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) addBytes(bitsOf(buffer[i]), 4);
  }
  std::uint64_t value() const { return hash; }

 private:
  void addBytes(std::uint64_t bits, int count) {
    for (int byte = 0; byte < count; ++byte) {
      hash = (hash ^ (bits >> (8 * byte) & 0xFF)) * 0x100000001B3u;
    }
  }
  std::uint64_t hash = 0xCBF29CE484222325u;
};

// The correctly rounded single-precision result. The x87 extended format
// has 64 significand bits, at least 2 * 24 + 2, so rounding the exact result
// to it first and then to float changes nothing.
float roundedDifference(float a, float b) {
  return static_cast<float>(static_cast<long double>(a) - static_cast<long double>(b));
}

TEST(DataSet, HoldsTheTenthsFrom0To999Point7ToTheBit) {
  // Each value is i times 0.1f (0x3DCCCCCD, not the double 0.1) with the
  // product rounded once; long double holds every product exactly.
  GuardedBuffer values;
  fillDataSet(values);
  const auto step = std::bit_cast<float>(std::uint32_t{0x3DCCCCCD});
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
    const auto expected =
        static_cast<float>(static_cast<long double>(i) * static_cast<long double>(step));
    ASSERT_EQ(bitsOf(values[i]), bitsOf(expected)) << "value " << i;
  }
  EXPECT_EQ(values[SAMPLE_COUNT - 1], 999.7f);
  values.expectGuardsUntouched();
}

TEST(ScalarKernels, SumOfTheDataSetIsExact) {
  GuardedBuffer values;
  fillDataSet(values);
  EXPECT_EQ(sumValues(values.data()), exactDataSetSum(values));
  values.expectGuardsUntouched();
}

TEST(ScalarKernels, SumAccumulatesInDoublePrecision) {
  // Each 2^-30 vanishes next to 1 in single precision but not in double.
  GuardedBuffer values;
  values.fill(std::ldexp(1.0f, -30));
  values[0] = 1.0f;
  EXPECT_EQ(sumValues(values.data()), 1.0 + (SAMPLE_COUNT - 1) * std::ldexp(1.0, -30));
}

TEST(ScalarKernels, SumRoundsEachAdditionToDouble) {
  // 1 + 2^-53 is a tie that a double rounds back to 1, twice over. A wider
  // accumulator, such as the x87 unit left at its 64-bit start-up
  // precision, keeps both halves and ends at 1 + 2^-52.
  GuardedBuffer values;
  values.fill(0.0f);
  values[0] = 1.0f;
  values[1] = std::ldexp(1.0f, -53);
  values[2] = std::ldexp(1.0f, -53);
  EXPECT_EQ(sumValues(values.data()), 1.0);
}

TEST(ScalarKernels, SumAddsInIndexOrder) {
  // Only the order x0 + x1 + x2 + ... gives 1; two interleaved partial sums
  // (what a vectorised loop keeps) lose the 1 against 1e20.
  GuardedBuffer values;
  values.fill(0.0f);
  values[0] = 1e20f;
  values[1] = -1e20f;
  values[2] = 1.0f;
  EXPECT_EQ(sumValues(values.data()), 1.0);
  values[SAMPLE_COUNT - 1] = 0.5f;
  EXPECT_EQ(sumValues(values.data()), 1.5);
}

TEST(ScalarKernels, SumOfZerosIsPositiveZero) {
  GuardedBuffer values;
  values.fill(-0.0f);
  const double sum = sumValues(values.data());
  EXPECT_EQ(sum, 0.0);
  EXPECT_FALSE(std::signbit(sum));
}

TEST(ScalarKernels, MeanOfTheDataSetFillsEverySlot) {
  GuardedBuffer values;
  GuardedBuffer means;
  fillDataSet(values);
  fillMean(values.data(), means.data());
  // The sum times the single-precision 1/9998, formed in double and rounded
  // once: 499.85 to six digits.
  const auto factor = std::bit_cast<float>(std::uint32_t{0x38D1C1D5});
  const auto expected = static_cast<float>(exactDataSetSum(values) * static_cast<double>(factor));
  EXPECT_EQ(bitsOf(means[0]), bitsOf(expected));
  EXPECT_EQ(bitsOf(means[0]), 0x43F9ECCDu);
  for (std::size_t i = 1; i < SAMPLE_COUNT; ++i) {
    ASSERT_EQ(bitsOf(means[i]), bitsOf(means[0])) << "slot " << i;
  }
  means.expectGuardsUntouched();
  values.expectGuardsUntouched();
}

TEST(ScalarKernels, MeanUsesTheSinglePrecisionFactor) {
  // On varied data the sum times the rounded 1/9998 and the sum divided by
  // 9998 round to different floats now and then; the mean must be the first.
  const auto factor = std::bit_cast<float>(std::uint32_t{0x38D1C1D5});
  GuardedBuffer values;
  GuardedBuffer means;
  int unlikeDivision = 0;
  for (std::uint64_t seed = 1; seed <= 16; ++seed) {
    fillFromBits(values, seed);
    fillMean(values.data(), means.data());
    const double sum = sumValues(values.data());
    EXPECT_EQ(bitsOf(means[SAMPLE_COUNT - 1]),
              bitsOf(static_cast<float>(sum * static_cast<double>(factor))))
        << "seed " << seed;
    unlikeDivision += bitsOf(means[0]) != bitsOf(static_cast<float>(sum / 9998.0));
  }
  ASSERT_GT(unlikeDivision, 0) << "the data no longer tell the factor from a division";
}

TEST(ScalarKernels, SubtractOfTheDataSetGivesItsDeviations) {
  GuardedBuffer values;
  GuardedBuffer means;
  GuardedBuffer deviations;
  fillDataSet(values);
  fillMean(values.data(), means.data());
  subtractScalar(values.data(), deviations.data(), means.data());
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
    ASSERT_EQ(bitsOf(deviations[i]), bitsOf(roundedDifference(values[i], means[0])));
  }
  EXPECT_LT(deviations[0], 0.0f);
  EXPECT_GT(deviations[SAMPLE_COUNT - 1], 0.0f);
  deviations.expectGuardsUntouched();
}

TEST(ScalarKernels, GiveTheSameBitsOnEveryBuild) {
  // The 64-bit builds compute in SSE2 doubles, the 32-bit ones on the x87
  // unit at 53 bits; all must reproduce this digest, taken from the 64-bit
  // build, of every kernel's output on the data set and on random data.
  // Float inputs never take a double result out of a double's range, so the
  // x87's wider exponents change nothing; results beyond a float's range
  // (infinities, zeros, subnormals) are rounded the same way by both units.
  GuardedBuffer values, means, deviations, squares;
  Digest digest;
  for (const std::uint64_t seed : {0u, 1u, 2u}) {
    if (seed == 0) {
      fillDataSet(values);
    } else {
      fillFromBits(values, seed);
      fillFromBits(means, seed + 100);
      subtractScalar(values.data(), deviations.data(), means.data());
      digest.add(deviations);
    }
    digest.add(sumValues(values.data()));
    fillMean(values.data(), means.data());
    subtractScalar(values.data(), deviations.data(), means.data());
    squareScalar(deviations.data(), squares.data());
    digest.add(means);
    digest.add(deviations);
    digest.add(squares);
    digest.add(sumValues(squares.data()));
  }
  EXPECT_EQ(digest.value(), 0x87E1DE12E1B7898Fu) << std::hex << digest.value();
}

TEST(ScalarKernels, SpreadGivesTheSameBitsOnEveryBuild) {
  // Sums of squares over the whole range a pass can meet. The digest pins
  // the factor (the rounded 1/9997, not a division), the product in double
  // and the root of the unrounded product, on every build alike.
  Digest digest;
  std::uint64_t state = 7;
  for (int i = 0; i < 20'000; ++i) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    const double sum = std::ldexp(static_cast<double>(state >> 11), static_cast<int>(i % 160) - 90);
    const Spread spread = sampleSpread(sum);
    digest.add(static_cast<double>(spread.variance));
    digest.add(static_cast<double>(spread.standardDeviation));
  }
  EXPECT_EQ(digest.value(), 0x5048763B0D0B1636u) << std::hex << digest.value();
}

}  // namespace
}  // namespace statbench
