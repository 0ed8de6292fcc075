// Linked into a variant of the program with each kernel that a pass calls
// wrapped (-Wl,--wrap=SYMBOL, by mangled name), so that a test sees what the
// shipped program's own code ran: at exit it writes to standard error how
// often each kernel was called, the bits of the last sum of squares, and
// whether the program's sum rounded each addition to a double when the
// first pass began, as the precision set at start-up makes the x87 do.
#include <bit>
#include <cstdint>
#include <cstdio>

#include "kernels/scalar_kernels.h"

extern "C" {
void __real__ZN9statbench8fillMeanEPKfPf(const float* x, float* means);
void __real__ZN9statbench14subtractScalarEPKfPfS1_(const float* a, float* out, const float* b);
void __real__ZN9statbench12squareScalarEPKfPf(const float* x, float* out);
void __real__ZN9statbench13subtract3DNowEPKfPfS1_(const float* a, float* out, const float* b);
void __real__ZN9statbench11square3DNowEPKfPf(const float* x, float* out);
double __real__ZN9statbench9sumValuesEPKf(const float* x);
}

namespace {

// 1 + 2^-53 + 2^-53: a tie that a double rounds back to 1 twice over, and
// a wider accumulator, the x87 left at its 64-bit start-up precision, keeps.
bool sumRoundsToDouble() {
  static float terms[statbench::SAMPLE_COUNT] = {1.0f, 0x1p-53f, 0x1p-53f};
  return __real__ZN9statbench9sumValuesEPKf(terms) == 1.0;
}

// The program calls its kernels from one thread.
struct Calls {
  unsigned fillMean = 0;
  unsigned subtractScalar = 0;
  unsigned squareScalar = 0;
  unsigned subtract3DNow = 0;
  unsigned square3DNow = 0;
  unsigned sumValues = 0;
  double lastSum = 0.0;
  bool roundsToDouble = false;

  ~Calls() {
    std::fprintf(stderr,
                 "fillMean %u\nsubtractScalar %u\nsquareScalar %u\nsubtract3DNow %u\n"
                 "square3DNow %u\nsumValues %u, last 0x%016llx\nsums round to double: %s\n",
                 fillMean, subtractScalar, squareScalar, subtract3DNow, square3DNow, sumValues,
                 static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(lastSum)),
                 roundsToDouble ? "yes" : "no");
  }
} calls;

}  // namespace

extern "C" {

void __wrap__ZN9statbench8fillMeanEPKfPf(const float* x, float* means) {
  if (calls.fillMean++ == 0) {
    calls.roundsToDouble = sumRoundsToDouble();
  }
  __real__ZN9statbench8fillMeanEPKfPf(x, means);
}

void __wrap__ZN9statbench14subtractScalarEPKfPfS1_(const float* a, float* out, const float* b) {
  ++calls.subtractScalar;
  __real__ZN9statbench14subtractScalarEPKfPfS1_(a, out, b);
}

void __wrap__ZN9statbench12squareScalarEPKfPf(const float* x, float* out) {
  ++calls.squareScalar;
  __real__ZN9statbench12squareScalarEPKfPf(x, out);
}

void __wrap__ZN9statbench13subtract3DNowEPKfPfS1_(const float* a, float* out, const float* b) {
  ++calls.subtract3DNow;
  __real__ZN9statbench13subtract3DNowEPKfPfS1_(a, out, b);
}

void __wrap__ZN9statbench11square3DNowEPKfPf(const float* x, float* out) {
  ++calls.square3DNow;
  __real__ZN9statbench11square3DNowEPKfPf(x, out);
}

double __wrap__ZN9statbench9sumValuesEPKf(const float* x) {
  ++calls.sumValues;
  calls.lastSum = __real__ZN9statbench9sumValuesEPKf(x);
  return calls.lastSum;
}

}  // extern "C"
