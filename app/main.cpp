// statbench: times the arithmetic mean, sample variance and standard
// deviation of a fixed series of single-precision numbers and prints a
// Turkish report (code page 1254, written as bytes).
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
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

// What the program needs of its stack below this point beside the work
// buffers: main's other locals and the C and C++ runtimes' own frames while
// printing, with room to spare.
constexpr std::size_t kRuntimeStackBytes = 64 * 1024;

// Before main: its frame holds the work buffers, and a stack too small for
// them would end the run by SIGSEGV before it printed anything.
[[maybe_unused]] const bool stackChecked =
    (statbench::platform::requireStack(sizeof(WorkBuffers) + kRuntimeStackBytes), true);

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
  const statbench::Spread spread = statbench::sampleSpread(statbench::sumValues(buffers.squares));
  std::printf("\n");
  printStatistics(buffers.means[0], spread.variance, spread.standardDeviation);
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

// The error of the last failed write to standard output, or 0 when every
// write went through. The stream writes through printf's buffer, so a failure
// of either shows in stdout's error flag; errno still holds the failed
// write's error, as every later write fails the same way and nothing else in
// between sets it. Called before the wait, whose read may set errno.
int standardOutputError() {
  const bool flushed = std::fflush(stdout) == 0;
  if (flushed && std::ferror(stdout) == 0 && std::cout.good()) {
    return 0;
  }
  return errno != 0 ? errno : EIO;
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
  const int outputError = standardOutputError();
  std::cin.get();
  // The run went on despite a failed write, as a console program should;
  // the report is incomplete all the same, and the exit status says so.
  if (outputError != 0) {
    std::fprintf(stderr, "statbench: standard output: %s\n", std::strerror(outputError));
    return 1;
  }
  return 0;
}
