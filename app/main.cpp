// statbench: times the arithmetic mean, sample variance and standard
// deviation of a fixed series of single-precision numbers and prints a
// Turkish report (code page 1254, written as bytes).
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iostream>

#include "kernels/cpuid_probe.h"
#include "kernels/data_set.h"
#include "kernels/packed_kernels.h"
#include "kernels/scalar_kernels.h"
#include "platform/platform.h"
#include "timing/high_res_timer.h"
#include "timing/win32_high_res_timer.h"

namespace {

using statbench::HighResTimer;
using statbench::WorkBuffers;

using DeviationKernel = void (*)(const float* minuend, float* out, const float* subtrahend);
using SquareKernel = void (*)(const float* x, float* out);

// The single-precision value nearest to 1/9997: the sample variance divides
// the sum of squares by SAMPLE_COUNT - 1.
constexpr float kVarianceFactor = std::bit_cast<float>(std::uint32_t{0x38D1C734});

void printStatistics(float mean, float variance, float standardDeviation) {
  std::cout << "Aritmatik ortalama"
            << ":" << mean << std::endl;
  std::cout << "Varyans"
            << ":" << variance << std::endl;
  std::cout << "Standart Sapma"
            << ":" << standardDeviation << std::endl;
}

void printTimes(const HighResTimer& stopwatch) {
  std::cout << "Simdiki  sure: " << stopwatch.current() << "s" << std::endl;
  std::cout << "Minimum  sure: " << stopwatch.minimum() << "s" << std::endl;
  std::cout << "Maksimum sure: " << stopwatch.maximum() << "s" << std::endl;
  std::cout << "Ortalama sure: " << stopwatch.average() << "s" << std::endl;
}

// One timed pass. The interval covers the kernels and the console output of
// the statistics; the time lines are printed after the stopwatch stops.
void runPass(HighResTimer& stopwatch, WorkBuffers& buffers, DeviationKernel deviationKernel,
             SquareKernel squareKernel) {
  stopwatch.start(0.0);
  statbench::fillMean(buffers.values, buffers.means);
  deviationKernel(buffers.values, buffers.deviations, buffers.means);
  squareKernel(buffers.deviations, buffers.squares);
  const double sumOfSquares = statbench::sumValues(buffers.squares);
  const double exactVariance = sumOfSquares * static_cast<double>(kVarianceFactor);
  const auto variance = static_cast<float>(exactVariance);
  // From the unrounded product, not from the rounded variance.
  const auto standardDeviation = static_cast<float>(std::sqrt(exactVariance));
  std::printf("\n");
  printStatistics(buffers.means[0], variance, standardDeviation);
  stopwatch.stop();
  std::cout << std::endl;
  printTimes(stopwatch);
  std::cout << std::endl;
}

// Two bells, then whether the packed pass will run. 0xFD is the dotless i of
// code page 1254, written as that one byte. Flushed at once: a stopwatch
// failure before the first stream line ends the process without flushing,
// and where standard output is a pipe or a file the line would be lost.
void printProbeLine() {
  std::printf(statbench::has3DNow() == 1 ? "\a\a3DNow!  bulundu.\n"
                                         : "\a\aUyar\xFD:islemciniz 3DNow!  desteklemiyor!\n");
  std::fflush(stdout);
}

}  // namespace

int main() {
  statbench::platform::initializeProcess();
  printProbeLine();
  WorkBuffers buffers;
  statbench::fillDataSet(buffers.values);
  statbench::Win32HighResTimer stopwatch;
  runPass(stopwatch, buffers, statbench::subtractScalar, statbench::squareScalar);
  // The packed instructions fault where the probe says no: this test is
  // their only guard.
  if (statbench::has3DNow() == 1) {
    std::cout << "3DNow! 'li hesaplama" << std::endl;
    runPass(stopwatch, buffers, statbench::subtract3DNow, statbench::square3DNow);
  }
  std::cin.get();
  return 0;
}
