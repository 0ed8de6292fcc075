// statbench: times the arithmetic mean, sample variance and standard
// deviation of a fixed series of single-precision numbers and prints a
// Turkish report (code page 1254, written as bytes).
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "app/pass.h"
#include "kernels/cpuid_probe.h"
#include "kernels/data_set.h"
#include "kernels/packed_kernels.h"
#include "kernels/scalar_kernels.h"
#include "platform/platform.h"
#include "timing/win32_high_res_timer.h"

namespace {

using statbench::endLine;
using statbench::WorkBuffers;

// What the program needs of its stack below this point beside the work
// buffers: main's other locals and the C and C++ runtimes' own frames while
// printing, with room to spare.
constexpr std::size_t kRuntimeStackBytes = 64 * 1024;

// Before main: its frame holds the work buffers, and a stack too small for
// them would end the run by SIGSEGV before it printed anything.
[[maybe_unused]] const bool stackChecked =
    (statbench::platform::requireStack(sizeof(WorkBuffers) + kRuntimeStackBytes), true);

// Two bells, then whether the packed pass will run. 0xFD is the dotless i of
// code page 1254, written as that one byte. Flushed at once: a stopwatch
// failure before the first stream line ends the process without flushing,
// and where standard output is a pipe or a file the line would be lost.
void printProbeLine() {
  std::printf(statbench::has3DNow() == 1 ? "\a\a3DNow!  bulundu.\n"
                                         : "\a\aUyar\xFD:islemciniz 3DNow!  desteklemiyor!\n");
  statbench::flushOutput();
}

}  // namespace

int main() {
  statbench::platform::initializeProcess();
  printProbeLine();
  WorkBuffers buffers;
  statbench::fillDataSet(buffers.values);
  statbench::Win32HighResTimer stopwatch;
  statbench::runPass(stopwatch, buffers, statbench::subtractScalar, statbench::squareScalar);
  // The packed instructions fault where the probe says no: this test is
  // their only guard.
  if (statbench::has3DNow() == 1) {
    std::cout << "3DNow! 'li hesaplama" << endLine;
    statbench::runPass(stopwatch, buffers, statbench::subtract3DNow, statbench::square3DNow);
  }
  std::cin.get();
  // The run went on despite a failed write, as a console program should;
  // the report is incomplete all the same, and the exit status says so.
  if (const int outputError = statbench::firstOutputError(); outputError != 0) {
    std::fprintf(stderr, "statbench: standard output: %s\n", std::strerror(outputError));
    return 1;
  }
  return 0;
}
