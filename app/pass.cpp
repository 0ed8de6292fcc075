#include "app/pass.h"

#include <cerrno>
#include <cstdio>
#include <iostream>

#include "kernels/scalar_kernels.h"

namespace statbench {
namespace {

// The program writes from one thread.
int outputError = 0;

// The stream writes through printf's buffer, so a failure of either shows
// in stdout's error flag or the stream's state.
void checkOutput() {
  if (outputError == 0 && (std::ferror(stdout) != 0 || !std::cout.good())) {
    outputError = errno != 0 ? errno : EIO;
  }
}

}  // namespace

std::ostream& endLine(std::ostream& out) {
  out << std::endl;
  checkOutput();
  return out;
}

void flushOutput() {
  std::fflush(stdout);
  checkOutput();
}

int firstOutputError() { return outputError; }

void printStatistics(float mean, float variance, float standardDeviation) {
  std::cout << "Aritmatik ortalama"
            << ":" << mean << endLine;
  std::cout << "Varyans"
            << ":" << variance << endLine;
  std::cout << "Standart Sapma"
            << ":" << standardDeviation << endLine;
}

void printTimes(const HighResTimer& stopwatch) {
  std::cout << "Simdiki  sure: " << stopwatch.current() << "s" << endLine;
  std::cout << "Minimum  sure: " << stopwatch.minimum() << "s" << endLine;
  std::cout << "Maksimum sure: " << stopwatch.maximum() << "s" << endLine;
  std::cout << "Ortalama sure: " << stopwatch.average() << "s" << endLine;
}

void runPass(HighResTimer& stopwatch, WorkBuffers& buffers, DeviationKernel deviationKernel,
             SquareKernel squareKernel) {
  stopwatch.start(0.0);
  fillMean(buffers.values, buffers.means);
  deviationKernel(buffers.values, buffers.deviations, buffers.means);
  squareKernel(buffers.deviations, buffers.squares);
  const Spread spread = sampleSpread(sumValues(buffers.squares));
  std::printf("\n");
  printStatistics(buffers.means[0], spread.variance, spread.standardDeviation);
  stopwatch.stop();
  std::cout << endLine;
  printTimes(stopwatch);
  std::cout << endLine;
}

}  // namespace statbench
