// One stopwatch started, stopped and read from several threads at once.
//
// The samples are private, so the check goes through what the interface
// gives: every stop() that ended a measurement returns its sample, and a
// stop() on an idle stopwatch returns the idle offset, 0.0; with positive
// samples the two cannot be confused. The threads keep the samples their
// stops returned; afterwards the stopwatch's minimum and maximum must be
// the smallest and largest of them and its mean their mean. The count is
// pinned last: one more sample far above the rest moves the mean by an amount
// that depends on how many samples it is averaged with.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <cstdint>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

#include "tests/test_thread.h"
#include "timing/high_res_timer.h"
#include "timing/win32_high_res_timer.h"

namespace statbench {
namespace {

constexpr int kThreads = 4;
constexpr int kOperationsPerThread = 4000;

// A time source in whole seconds that moves one second per reading. Its
// state is plain, not atomic: only the stopwatch's lock keeps the threads
// apart inside it, and ThreadSanitizer reports any call made outside the
// lock. Whole seconds make every sum of samples exact in any order, so the
// mean can be checked exactly.
class SteppingTimer final : public HighResTimer {
 private:
  void restartCounter() override { startTick = tick; }
  double secondsSinceRestart() const override { return static_cast<double>(++tick - startTick); }

  mutable std::int64_t tick = 0;
  std::int64_t startTick = 0;
};

struct ThreadTally {
  std::vector<double> samples;
  // A minimum read above the maximum read right after it. Samples only
  // join, so the later maximum can only be larger: any such read is torn.
  int inconsistentReads = 0;
};

// Random operations in a bounded count, so that starts meet running
// stopwatches and stops idle ones, and readers cut in between.
void hammer(HighResTimer& timer, double offset, unsigned seed, std::atomic<int>& ready,
            ThreadTally& tally) {
  std::mt19937 engine(seed);
  std::uniform_int_distribution<int> operation(0, 4);
  // All threads begin together, so their operations overlap.
  ++ready;
  while (ready < kThreads) {
  }
  for (int i = 0; i < kOperationsPerThread; ++i) {
    switch (operation(engine)) {
      case 0:
        timer.start(offset);
        break;
      case 1:
        if (const double sample = timer.stop(); sample > 0.0) tally.samples.push_back(sample);
        break;
      case 2:
        (void)timer.current();
        break;
      case 3: {
        const double low = timer.minimum();
        if (low > timer.maximum()) ++tally.inconsistentReads;
        break;
      }
      default:
        (void)timer.average();
        break;
    }
  }
}

// Runs the threads, then stops a measurement one may have left running, and
// returns every sample in no particular order.
std::vector<double> hammerFromThreads(HighResTimer& timer, double offset) {
  std::atomic<int> ready{0};
  std::vector<ThreadTally> tallies(kThreads);
  {
    std::vector<std::unique_ptr<testing::TestThread>> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.push_back(std::make_unique<testing::TestThread>([&, t] {
        hammer(timer, offset, 100u + static_cast<unsigned>(t), ready,
               tallies[static_cast<std::size_t>(t)]);
      }));
    }
  }  // each thread is joined here
  std::vector<double> samples;
  for (const ThreadTally& tally : tallies) {
    EXPECT_EQ(tally.inconsistentReads, 0);
    samples.insert(samples.end(), tally.samples.begin(), tally.samples.end());
  }
  if (const double last = timer.stop(); last > 0.0) samples.push_back(last);
  return samples;
}

// meanTolerance allows for the stopwatch summing the samples in another
// order than this test does; 0 demands the same bits.
void expectStatisticsOf(HighResTimer& timer, std::vector<double> samples, double meanTolerance) {
  ASSERT_GT(samples.size(), 100u) << "too few measurements to tell anything";
  const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
  EXPECT_EQ(timer.minimum(), *low);
  EXPECT_EQ(timer.maximum(), *high);
  const auto count = static_cast<double>(samples.size());
  const double sum = std::accumulate(samples.begin(), samples.end(), 0.0);
  EXPECT_NEAR(timer.average(), sum / count, meanTolerance);

  // A sample a million times the others: a mean over one sample more or
  // less than counted here would be off by about 1e6 / count^2, far beyond
  // any rounding.
  const double outlier = 1e6 * *high;
  timer.addSample(outlier);
  EXPECT_NEAR(timer.average(), (sum + outlier) / (count + 1.0), meanTolerance * 1e6);
  EXPECT_EQ(timer.maximum(), outlier);
}

TEST(HighResTimerThreads, EverySampleCountsOnceUnderContention) {
  SteppingTimer timer;
  expectStatisticsOf(timer, hammerFromThreads(timer, 0.0), 0.0);
}

TEST(Win32HighResTimerThreads, EverySampleCountsOnceUnderContention) {
  // The real counter and lock. An offset of 1 s keeps every sample above the
  // idle stop's 0.0 even if two counter reads fall on one tick.
  Win32HighResTimer timer;
  std::vector<double> samples = hammerFromThreads(timer, 1.0);
  // Summing n samples in two orders differs by at most about 2n rounding
  // errors of the sum, that is 2 * DBL_EPSILON * mean * n relative to the mean.
  const double largest = samples.empty() ? 0.0 : *std::max_element(samples.begin(), samples.end());
  const double tolerance = 2.0 * DBL_EPSILON * largest * static_cast<double>(samples.size());
  expectStatisticsOf(timer, std::move(samples), tolerance);
}

}  // namespace
}  // namespace statbench
