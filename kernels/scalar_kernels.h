// The statistics kernels on the ordinary floating-point unit. Each works on
// exactly the first SAMPLE_COUNT floats of caller-owned buffers, keeps no
// state and never allocates. Sums and products are formed in double
// precision and rounded to single precision only when stored into a float.
#pragma once

#include <cstddef>

namespace statbench {

inline constexpr std::size_t SAMPLE_COUNT = 9998;

// The sample variance and the standard deviation of SAMPLE_COUNT values,
// from the sum of their squared deviations.
struct Spread {
  float variance;
  float standardDeviation;
};
// The sum times the single-precision 1/(SAMPLE_COUNT - 1), formed in double;
// the deviation is the square root of that unrounded product, not of the
// rounded variance.
Spread sampleSpread(double sumOfSquares);

// x[0] + ... + x[SAMPLE_COUNT - 1], added in index order, unrounded.
double sumValues(const float* x);
// Writes the mean of x into every slot of means.
void fillMean(const float* x, float* means);
// out[i] = a[i] - b[i]; the argument order (minuend, destination,
// subtrahend) is shared with the packed kernel.
void subtractScalar(const float* a, float* out, const float* b);
// out[i] = x[i] * x[i].
void squareScalar(const float* x, float* out);

}  // namespace statbench
