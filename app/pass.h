// One timed pass of the benchmark and its report, apart from main so that a
// test can drive it with a scripted stopwatch and recording kernels.
//
// The interval runs from the stopwatch's start to its stop: the mean, the
// deviations, the squares, their sum, the empty line and the three
// statistics lines written to the console. The four time lines come after
// the stop and are not in it.
#pragma once

#include <iosfwd>

#include "kernels/data_set.h"
#include "timing/high_res_timer.h"

namespace statbench {

using DeviationKernel = void (*)(const float* minuend, float* out, const float* subtrahend);
using SquareKernel = void (*)(const float* x, float* out);

void runPass(HighResTimer& stopwatch, WorkBuffers& buffers, DeviationKernel deviationKernel,
             SquareKernel squareKernel);

void printStatistics(float mean, float variance, float standardDeviation);
void printTimes(const HighResTimer& stopwatch);

// Ends a line on the stream as std::endl does (newline, flush) and checks
// standard output right after, while errno still holds the error of a write
// that failed.
std::ostream& endLine(std::ostream& out);
// Flushes standard output and checks it as endLine does.
void flushOutput();
// The error of the first write to standard output that failed, taken when
// it failed; 0 while every write went through.
int firstOutputError();

}  // namespace statbench
