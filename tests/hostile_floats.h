// Floats as a careless or hostile caller hands them over, and what the
// kernels' rounding rules make of them, worked out apart from the kernels.
//
// The rules: sums and products are formed in double precision and rounded to
// single precision when stored. For one difference or square of floats the
// double result rounded to float equals the exact result rounded once
// (double has more than 2 * 24 + 2 significand bits), so the expectation is
// the exact result rounded once, formed here in long double: 64 bits on x87,
// or 53 where the x87 works at double precision, enough either way.
//
// NaN: x86 propagates a NaN operand with its sign and payload and the quiet
// bit set, in SSE and x87 alike, and an invalid operation (infinity minus
// infinity) gives the default NaN, sign set, payload zero. With two NaN
// operands SSE keeps the first one and x87 the one with the larger payload,
// so then any NaN passes.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "kernels/scalar_kernels.h"
#include "tests/kernel_test_support.h"

namespace statbench::testing {

inline constexpr std::uint32_t kSignBit = 0x80000000;
inline constexpr std::uint32_t kQuietBit = 0x00400000;
inline constexpr std::uint32_t kInfinity = 0x7F800000;
inline constexpr std::uint32_t kFloatMax = 0x7F7FFFFF;
inline constexpr std::uint32_t kDefaultNaN = 0xFFC00000;
inline constexpr std::uint64_t kDefaultNaN64 = 0xFFF8000000000000;

inline bool isNaN(std::uint32_t bits) { return (bits & ~kSignBit) > kInfinity; }
inline bool isInfinity(std::uint32_t bits) { return (bits & ~kSignBit) == kInfinity; }
inline std::uint32_t quieted(std::uint32_t nan) { return nan | kQuietBit; }

// A float result the rules fix to the bit, or any NaN where they do not.
struct Expected {
  std::uint32_t bits;
  bool anyNaN;

  bool admits(std::uint32_t actual) const { return anyNaN ? isNaN(actual) : actual == bits; }
};

// The same for the double-precision sum.
struct ExpectedSum {
  std::uint64_t bits;
  bool anyNaN;

  bool admits(double actual) const {
    return anyNaN ? std::isnan(actual) : std::bit_cast<std::uint64_t>(actual) == bits;
  }
};

inline Expected expectedDifference(std::uint32_t a, std::uint32_t b) {
  if (isNaN(a) && isNaN(b)) return {0, true};
  if (isNaN(a)) return {quieted(a), false};
  if (isNaN(b)) return {quieted(b), false};
  if (isInfinity(a) && a == b) return {kDefaultNaN, false};
  const long double exact = static_cast<long double>(std::bit_cast<float>(a)) -
                            static_cast<long double>(std::bit_cast<float>(b));
  return {std::bit_cast<std::uint32_t>(static_cast<float>(exact)), false};
}

inline Expected expectedSquare(std::uint32_t x) {
  if (isNaN(x)) return {quieted(x), false};
  const auto value = static_cast<long double>(std::bit_cast<float>(x));
  return {std::bit_cast<std::uint32_t>(static_cast<float>(value * value)), false};
}

// acc := acc + x[i] in double, i from 0 up. One NaN element comes through
// widened; infinities of both signs and no NaN give the default NaN; two
// NaNs meet in some order, and any NaN passes. Otherwise the IEEE double
// sum, each partial sum forced through memory so that an x87 build rounds
// it to double as the kernel must (given the x87 set to double precision,
// as the program sets it).
inline ExpectedSum expectedSum(const GuardedBuffer& x) {
  int nans = 0;
  std::uint32_t nan = 0;
  bool plusInfinity = false;
  bool minusInfinity = false;
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
    const std::uint32_t bits = x.bitsAt(i);
    if (isNaN(bits)) {
      ++nans;
      nan = bits;
    }
    plusInfinity = plusInfinity || bits == kInfinity;
    minusInfinity = minusInfinity || bits == (kSignBit | kInfinity);
  }
  const bool bothInfinities = plusInfinity && minusInfinity;
  if (nans == 0 && bothInfinities) return {kDefaultNaN64, false};
  if (nans == 1 && !bothInfinities) {
    const std::uint32_t quiet = quieted(nan);
    return {(static_cast<std::uint64_t>(quiet & kSignBit) << 32) | 0x7FF0000000000000 |
                (static_cast<std::uint64_t>(quiet & 0x007FFFFF) << 29),
            false};
  }
  if (nans > 0) return {0, true};
  volatile double acc = 0.0;
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
    acc = acc + static_cast<double>(std::bit_cast<float>(x.bitsAt(i)));
  }
  return {std::bit_cast<std::uint64_t>(static_cast<double>(acc)), false};
}

// means[0]: the sum times the single-precision factor, in double, rounded
// to float. A NaN sum keeps its NaN, narrowed: a widened float NaN narrows
// back to itself.
inline Expected expectedMean(const ExpectedSum& sum, float meanFactor) {
  if (sum.anyNaN) return {0, true};
  const auto total = std::bit_cast<double>(sum.bits);
  if (std::isnan(total)) {
    const auto wide = sum.bits;
    return {static_cast<std::uint32_t>((wide >> 32) & kSignBit) | kInfinity | kQuietBit |
                static_cast<std::uint32_t>((wide >> 29) & 0x007FFFFF),
            false};
  }
  const volatile double product = total * static_cast<double>(meanFactor);
  return {std::bit_cast<std::uint32_t>(static_cast<float>(product)), false};
}

// Buffers per test; STATBENCH_PROPERTY_BUFFERS lowers it where the tests
// run emulated, many times slower.
inline unsigned propertyBufferCount() {
  const char* value = std::getenv("STATBENCH_PROPERTY_BUFFERS");
  return value != nullptr ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : 1000;
}

inline std::string hex(std::uint64_t bits) {
  char text[19];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(bits));
  return text;
}

// Checks out[i] against expected(i) for every element; reports the first
// few elements that differ and returns whether all matched.
template <typename Expectation, typename Describe>
inline bool expectElements(const GuardedBuffer& out, Expectation expected, Describe describe) {
  int mismatches = 0;
  for (std::size_t i = 0; i < SAMPLE_COUNT && mismatches < 5; ++i) {
    const Expected want = expected(i);
    if (!want.admits(out.bitsAt(i))) {
      ADD_FAILURE() << "element " << i << " (" << describe(i) << "): got " << hex(out.bitsAt(i))
                    << ", expected " << (want.anyNaN ? "any NaN" : hex(want.bits));
      ++mismatches;
    }
  }
  return mismatches == 0;
}

// Random float bit patterns, weighted towards the awkward ones.
class HostileFloats {
 public:
  explicit HostileFloats(unsigned seed) : engine(seed) {}

  // A NaN, quiet or signalling (quiet bit clear, payload not zero), of
  // either sign.
  std::uint32_t nan() { return sign() | kInfinity | between(1, 0x007FFFFF); }

  // Any float: finite of every kind, infinities, quiet and signalling NaNs.
  std::uint32_t any() {
    switch (pick(8)) {
      case 0:
        return sign() | kInfinity;
      case 1:
      case 2:
        return nan();
      default:
        return finite();
    }
  }

  // A finite float: normal of any exponent, near FLT_MAX (where sums,
  // differences and squares overflow), subnormal, smallest normals, signed
  // zero, small whole numbers.
  std::uint32_t finite() {
    switch (pick(7)) {
      case 0:
        return sign() | between(0x00800000, kFloatMax);
      case 1:  // magnitudes from about 1e-8 to 1e8
        return sign() | between(0x32000000, 0x4C000000);
      case 2:
        return sign() | between(0x7F000000, kFloatMax);
      case 3:
        return sign() | between(1, 0x007FFFFF);
      case 4:
        return sign() | between(0x00800000, 0x01000000);
      case 5:
        return sign();
      default:
        return std::bit_cast<std::uint32_t>(static_cast<float>(between(0, 2000)) - 1000.0f);
    }
  }

  // A value to pair with a in a difference: often a itself, its negation or
  // a close neighbour, so that results cancel exactly or nearly, or overflow.
  std::uint32_t partnerOf(std::uint32_t a) {
    switch (pick(6)) {
      case 0:
        return a;
      case 1:
        return a ^ kSignBit;
      case 2:  // a few units in the last place away, same sign
        return isNaN(a) || isInfinity(a) || (a & ~kSignBit) < 8 ? a : a - between(1, 8);
      default:
        return any();
    }
  }

  // Buffer n's values for the sums: mostly finite, with a kind of special
  // value chosen by n, so that not every sum is NaN.
  void fillForSum(GuardedBuffer& buffer, unsigned n) {
    for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) buffer.setBits(i, finite());
    const auto anywhere = [this] { return between(0, std::uint32_t{SAMPLE_COUNT} - 1); };
    switch (n % 6) {
      case 1:
        buffer.setBits(anywhere(), nan());
        break;
      case 2:
        for (int k = 0; k < 3; ++k) buffer.setBits(anywhere(), nan());
        break;
      case 3:
        buffer.setBits(anywhere(), sign() | kInfinity);
        break;
      case 4:
        buffer.setBits(anywhere(), kInfinity);
        buffer.setBits(anywhere(), kSignBit | kInfinity);
        break;
      case 5:  // all near FLT_MAX, one sign: a sum far beyond single range
        for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
          buffer.setBits(i, between(0x7F700000, kFloatMax) | (n % 12 == 5 ? kSignBit : 0));
        }
        break;
      default:
        break;
    }
  }

 private:
  std::uint32_t between(std::uint32_t low, std::uint32_t high) {
    return std::uniform_int_distribution<std::uint32_t>(low, high)(engine);
  }
  std::uint32_t pick(std::uint32_t kinds) { return between(0, kinds - 1); }
  std::uint32_t sign() { return between(0, 1) << 31; }

  std::mt19937 engine;
};

}  // namespace statbench::testing
