// Linked into a variant of the program with each kernel that a pass calls
// wrapped (-Wl,--wrap=SYMBOL, by mangled name), so that a test sees which
// kernels the shipped program's own code ran: at exit it writes to standard
// error how often each was called, and the bits of the last sum of squares,
// the pass's one full-precision result, which shows the precision the
// program computed at.
#include <bit>
#include <cstdint>
#include <cstdio>

namespace {

// The program calls its kernels from one thread.
struct Calls {
  unsigned fillMean = 0;
  unsigned subtractScalar = 0;
  unsigned squareScalar = 0;
  unsigned subtract3DNow = 0;
  unsigned square3DNow = 0;
  unsigned sumValues = 0;
  double lastSum = 0.0;

  ~Calls() {
    std::fprintf(stderr,
                 "fillMean %u\nsubtractScalar %u\nsquareScalar %u\nsubtract3DNow %u\n"
                 "square3DNow %u\nsumValues %u, last 0x%016llx\n",
                 fillMean, subtractScalar, squareScalar, subtract3DNow, square3DNow, sumValues,
                 static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(lastSum)));
  }
} calls;

}  // namespace

extern "C" {

void __real__ZN9statbench8fillMeanEPKfPf(const float* x, float* means);
void __real__ZN9statbench14subtractScalarEPKfPfS1_(const float* a, float* out, const float* b);
void __real__ZN9statbench12squareScalarEPKfPf(const float* x, float* out);
void __real__ZN9statbench13subtract3DNowEPKfPfS1_(const float* a, float* out, const float* b);
void __real__ZN9statbench11square3DNowEPKfPf(const float* x, float* out);
double __real__ZN9statbench9sumValuesEPKf(const float* x);

void __wrap__ZN9statbench8fillMeanEPKfPf(const float* x, float* means) {
  ++calls.fillMean;
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
