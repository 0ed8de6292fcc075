// What the program's figures cost: one raw counter read, the stopwatch
// around an empty interval (the bias in every printed time), the same pair
// written by hand with std::chrono, and each kernel on the program's data
// set. Scripts read the benchmark and counter names; keep them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "kernels/cpuid_probe.h"
#include "kernels/data_set.h"
#include "kernels/packed_kernels.h"
#include "kernels/scalar_kernels.h"
#include "platform/platform.h"
#include "timing/win32_high_res_timer.h"

namespace statbench {
namespace {

using DeviationKernel = void (*)(const float* minuend, float* out, const float* subtrahend);
using SquareKernel = void (*)(const float* x, float* out);

constexpr double kNanosecondsPerSecond = 1e9;

// The figures of the last kCapacity iterations, for a median that does not
// depend on how many iterations the library chose. Adding one costs a store
// and no branch, so it disturbs the loop it measures as little as it can.
class RecentFigures {
 public:
  void add(double figure) { ring[added++ % kCapacity] = figure; }

  double median() {
    const std::size_t count = filled();
    if (count == 0) return 0.0;
    const auto middle = ring.begin() + static_cast<std::ptrdiff_t>(count / 2);
    std::nth_element(ring.begin(), middle, ring.begin() + static_cast<std::ptrdiff_t>(count));
    return *middle;
  }

  // The mean of the figures up to twice the median: the rest were
  // interrupted (a preemption, a page fault) and would swamp it.
  double typicalMean() {
    const double limit = 2.0 * median();
    double sum = 0.0;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < filled(); ++i) {
      if (ring[i] <= limit) {
        sum += ring[i];
        ++kept;
      }
    }
    return kept == 0 ? 0.0 : sum / static_cast<double>(kept);
  }

 private:
  static constexpr std::size_t kCapacity = std::size_t{1} << 16;
  std::size_t filled() const { return std::min(added, kCapacity); }

  std::vector<double> ring = std::vector<double>(kCapacity);
  std::size_t added = 0;
};

void BM_CounterRead(benchmark::State& state) {
  std::int64_t ticks = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(platform::queryPerformanceCounter(&ticks));
    benchmark::DoNotOptimize(ticks);
  }
}

// delta_ns is the smallest interval the counter can show: what two reads
// with nothing between them differ by. A counter that ticks coarsely makes
// every difference a whole number of ticks, and so the median; the mean of
// the uninterrupted differences (delta_mean_ns) resolves below one tick.
void BM_CounterBackToBack(benchmark::State& state) {
  std::int64_t ticksPerSecond = 0;
  if (!platform::queryPerformanceFrequency(&ticksPerSecond) || ticksPerSecond == 0) {
    state.SkipWithError("no usable counter frequency");
    return;
  }
  RecentFigures deltas;
  for (auto _ : state) {
    std::int64_t first = 0;
    std::int64_t second = 0;
    platform::queryPerformanceCounter(&first);
    platform::queryPerformanceCounter(&second);
    deltas.add(static_cast<double>(second - first));
  }
  const double nanosecondsPerTick = kNanosecondsPerSecond / static_cast<double>(ticksPerSecond);
  state.counters["delta_ns"] = deltas.median() * nanosecondsPerTick;
  state.counters["delta_mean_ns"] = deltas.typicalMean() * nanosecondsPerTick;
}

// stop() recomputes the mean over every recorded sample, so an unbounded
// run would time an ever longer sum. The statistics are reset every 16
// samples inside the loop: pausing the library's timer around the reset
// reads the clock twice more and costs more than the reset itself.
constexpr int kSamplesBeforeReset = 16;

template <typename OnSample>
void timeStartStopPairs(benchmark::State& state, OnSample onSample) {
  Win32HighResTimer stopwatch;
  int samples = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(stopwatch.start(0.0));
    onSample(stopwatch.stop());
    if (++samples == kSamplesBeforeReset) {
      stopwatch.resetStatistics();
      samples = 0;
    }
  }
}

void BM_StopwatchStartStop(benchmark::State& state) {
  timeStartStopPairs(state, [](double sample) { benchmark::DoNotOptimize(sample); });
}

// bias_ns is what stop() returns when nothing ran between start and stop:
// every time the program prints holds it. bias_mean_ns resolves it below
// one tick, as delta_mean_ns does.
void BM_StopwatchEmptyInterval(benchmark::State& state) {
  RecentFigures samples;
  timeStartStopPairs(state, [&samples](double sample) { samples.add(sample); });
  state.counters["bias_ns"] = samples.median() * kNanosecondsPerSecond;
  state.counters["bias_mean_ns"] = samples.typicalMean() * kNanosecondsPerSecond;
}

// The reading the program takes for the first time line, on a running
// stopwatch.
void BM_StopwatchCurrent(benchmark::State& state) {
  Win32HighResTimer stopwatch;
  stopwatch.start(0.0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(stopwatch.current());
  }
}

// What a user would write by hand instead of the stopwatch.
void BM_ChronoPair(benchmark::State& state) {
  for (auto _ : state) {
    const auto first = std::chrono::steady_clock::now();
    const auto second = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(std::chrono::duration<double>(second - first).count());
  }
}

// The buffers as one scalar pass leaves them, so each kernel reads what it
// reads in the program.
std::unique_ptr<WorkBuffers> buffersAfterOnePass() {
  auto buffers = std::make_unique<WorkBuffers>();
  fillDataSet(buffers->values);
  fillMean(buffers->values, buffers->means);
  subtractScalar(buffers->values, buffers->deviations, buffers->means);
  squareScalar(buffers->deviations, buffers->squares);
  return buffers;
}

void countElements(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(SAMPLE_COUNT));
}

void BM_SumValues(benchmark::State& state) {
  const auto buffers = buffersAfterOnePass();
  for (auto _ : state) {
    benchmark::DoNotOptimize(sumValues(buffers->squares));
  }
  countElements(state);
}

void BM_FillMean(benchmark::State& state) {
  const auto buffers = buffersAfterOnePass();
  for (auto _ : state) {
    fillMean(buffers->values, buffers->means);
    benchmark::ClobberMemory();
  }
  countElements(state);
}

void timeDeviations(benchmark::State& state, DeviationKernel kernel) {
  const auto buffers = buffersAfterOnePass();
  for (auto _ : state) {
    kernel(buffers->values, buffers->deviations, buffers->means);
    benchmark::ClobberMemory();
  }
  countElements(state);
}

void timeSquares(benchmark::State& state, SquareKernel kernel) {
  const auto buffers = buffersAfterOnePass();
  for (auto _ : state) {
    kernel(buffers->deviations, buffers->squares);
    benchmark::ClobberMemory();
  }
  countElements(state);
}

void registerBenchmarks() {
  benchmark::RegisterBenchmark("BM_CounterRead", BM_CounterRead);
  benchmark::RegisterBenchmark("BM_CounterBackToBack", BM_CounterBackToBack);
  benchmark::RegisterBenchmark("BM_StopwatchStartStop", BM_StopwatchStartStop);
  benchmark::RegisterBenchmark("BM_StopwatchEmptyInterval", BM_StopwatchEmptyInterval);
  benchmark::RegisterBenchmark("BM_StopwatchCurrent", BM_StopwatchCurrent);
  benchmark::RegisterBenchmark("BM_ChronoPair", BM_ChronoPair);
  benchmark::RegisterBenchmark("BM_SumValues", BM_SumValues);
  benchmark::RegisterBenchmark("BM_FillMean", BM_FillMean);
  benchmark::RegisterBenchmark("BM_SubtractScalar", timeDeviations, subtractScalar);
  benchmark::RegisterBenchmark("BM_SquareScalar", timeSquares, squareScalar);
  // The packed instructions fault where the probe says no.
  if (has3DNow() == 1) {
    benchmark::RegisterBenchmark("BM_Subtract3DNow", timeDeviations, subtract3DNow);
    benchmark::RegisterBenchmark("BM_Square3DNow", timeSquares, square3DNow);
  }
}

}  // namespace
}  // namespace statbench

int main(int argc, char** argv) {
  // The program's start-up, so the kernels run in the state they run in there.
  statbench::platform::initializeProcess();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  statbench::registerBenchmarks();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
