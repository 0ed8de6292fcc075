#include "timing/high_res_timer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <new>
#include <utility>

#include "tests/allocation_failure.h"
#include "tests/fake_timer.h"

namespace statbench {
namespace {

using testing::expectLockFreeFromAnotherThread;
using testing::FailNextAllocation;
using testing::FakeTimer;
using testing::ScriptedFailure;

TEST(HighResTimer, NewStopwatchReadsZeroEverywhere) {
  FakeTimer timer;
  EXPECT_EQ(timer.current(), 0.0);
  EXPECT_EQ(timer.minimum(), 0.0);
  EXPECT_EQ(timer.maximum(), 0.0);
  EXPECT_EQ(timer.average(), 0.0);
  EXPECT_EQ(timer.reads, 0);
}

TEST(HighResTimer, StopOnIdleStopwatchRecordsNothing) {
  FakeTimer timer;
  EXPECT_EQ(timer.stop(), 0.0);
  EXPECT_EQ(timer.reads, 0);
  // Had it recorded a sample of 0, the next one would not be the minimum.
  timer.start(0.0);
  timer.advance(4.0);
  timer.stop();
  EXPECT_EQ(timer.minimum(), 4.0);
  EXPECT_EQ(timer.average(), 4.0);
}

TEST(HighResTimer, StopRecordsOneSample) {
  FakeTimer timer;
  EXPECT_EQ(timer.start(0.0), 0.0);
  timer.advance(1.5);
  EXPECT_EQ(timer.current(), 1.5);
  EXPECT_EQ(timer.stop(), 1.5);
  EXPECT_EQ(timer.minimum(), 1.5);
  EXPECT_EQ(timer.maximum(), 1.5);
  EXPECT_EQ(timer.average(), 1.5);
  // stop() clears the measurement, so a stopped stopwatch reads 0.
  EXPECT_EQ(timer.current(), 0.0);
}

TEST(HighResTimer, CounterReadsMatchTheStatedCost) {
  FakeTimer timer;
  timer.start(0.0);
  EXPECT_EQ(timer.restarts, 1);
  EXPECT_EQ(timer.reads, 1);
  timer.stop();
  EXPECT_EQ(timer.reads, 2);
  timer.current();
  (void)timer.minimum();
  (void)timer.maximum();
  (void)timer.average();
  EXPECT_EQ(timer.reads, 2);
}

TEST(HighResTimer, PositiveOffsetCountsIntoTheMeasurement) {
  FakeTimer timer;
  EXPECT_EQ(timer.start(2.5), 2.5);
  timer.advance(1.0);
  EXPECT_EQ(timer.current(), 3.5);
  EXPECT_EQ(timer.stop(), 3.5);
  EXPECT_EQ(timer.minimum(), 3.5);
  EXPECT_EQ(timer.current(), 0.0);
}

TEST(HighResTimer, ZeroNegativeAndNanOffsetsAreIgnored) {
  for (const double offset : {0.0, -0.0, -1.0, std::numeric_limits<double>::quiet_NaN(),
                              -std::numeric_limits<double>::infinity()}) {
    FakeTimer timer;
    timer.start(offset);
    timer.advance(2.0);
    EXPECT_EQ(timer.stop(), 2.0) << "offset " << offset;
  }
}

TEST(HighResTimer, StartOnRunningStopwatchKeepsTheFirstStart) {
  FakeTimer timer;
  timer.start(1.0);
  timer.advance(2.0);
  // The second start ignores its offset, does not restart the counter and
  // returns the running reading.
  EXPECT_EQ(timer.start(10.0), 3.0);
  EXPECT_EQ(timer.restarts, 1);
  timer.advance(1.0);
  EXPECT_EQ(timer.stop(), 4.0);
}

TEST(HighResTimer, BoundsFollowTheSamplesInEitherOrder) {
  for (const auto& [first, second] : {std::pair{3.0, 1.0}, std::pair{1.0, 3.0}}) {
    FakeTimer timer;
    timer.addSample(first);
    timer.addSample(second);
    EXPECT_EQ(timer.minimum(), 1.0) << first << " then " << second;
    EXPECT_EQ(timer.maximum(), 3.0) << first << " then " << second;
    EXPECT_EQ(timer.average(), 2.0) << first << " then " << second;
  }
}

TEST(HighResTimer, SampleEqualToABoundCountsOnlyInTheMean) {
  FakeTimer timer;
  timer.addSample(2.0);
  timer.addSample(6.0);
  timer.addSample(2.0);
  timer.addSample(6.0);
  timer.addSample(2.0);
  EXPECT_EQ(timer.minimum(), 2.0);
  EXPECT_EQ(timer.maximum(), 6.0);
  EXPECT_EQ(timer.average(), 18.0 / 5.0);
}

TEST(HighResTimer, MeanIsRecomputedOverAllSamplesInOrder) {
  // For these samples an incremental mean (avg += (x - avg) / n) and a sum
  // in another order both land on other doubles than the in-order sum.
  const double samples[] = {0.1, 0.7, 0.2, 1e-3, 0.3, 0.9, 0.4};
  FakeTimer timer;
  double inOrder = 0.0;
  double incremental = 0.0;
  int count = 0;
  for (const double sample : samples) {
    timer.addSample(sample);
    inOrder += sample;
    ++count;
    incremental += (sample - incremental) / count;
    EXPECT_EQ(timer.average(), inOrder / count) << "after " << count << " samples";
  }
  ASSERT_NE(inOrder / count, incremental) << "samples no longer tell the methods apart";
}

TEST(HighResTimer, AddSampleReturnsTheReferenceItWasGiven) {
  FakeTimer timer;
  const double sample = 0.25;
  EXPECT_EQ(&timer.addSample(sample), &sample);
}

TEST(HighResTimer, ResetStatisticsForgetsEverySample) {
  FakeTimer timer;
  timer.addSample(1.0);
  timer.addSample(9.0);
  timer.resetStatistics();
  EXPECT_EQ(timer.minimum(), 0.0);
  EXPECT_EQ(timer.maximum(), 0.0);
  EXPECT_EQ(timer.average(), 0.0);
  // The next sample is the first again and the old ones are out of the mean.
  timer.addSample(5.0);
  EXPECT_EQ(timer.minimum(), 5.0);
  EXPECT_EQ(timer.maximum(), 5.0);
  EXPECT_EQ(timer.average(), 5.0);
}

TEST(HighResTimer, ResetCurrentAbandonsTheMeasurement) {
  FakeTimer timer;
  timer.start(3.0);
  timer.advance(1.0);
  timer.resetCurrent();
  EXPECT_EQ(timer.current(), 0.0);
  EXPECT_EQ(timer.stop(), 0.0);
  EXPECT_EQ(timer.maximum(), 0.0);
}

TEST(HighResTimer, FailedRestartLeavesItIdleAsItWas) {
  FakeTimer timer;
  timer.addSample(5.0);
  timer.failRestart = true;
  EXPECT_THROW(timer.start(2.0), ScriptedFailure);
  expectLockFreeFromAnotherThread(timer);
  // Idle, without the offset: stop records nothing, and the next start
  // restarts the counter and measures from there alone.
  EXPECT_EQ(timer.current(), 0.0);
  EXPECT_EQ(timer.stop(), 0.0);
  EXPECT_EQ(timer.average(), 5.0);
  timer.failRestart = false;
  timer.start(0.0);
  EXPECT_EQ(timer.restarts, 2);
  timer.advance(1.0);
  EXPECT_EQ(timer.stop(), 1.0);
  EXPECT_EQ(timer.minimum(), 1.0);
  EXPECT_EQ(timer.average(), 3.0);
}

TEST(HighResTimer, FailedReadInStartLeavesItRunningWithCounterRestarted) {
  FakeTimer timer;
  timer.failRead = true;
  EXPECT_THROW(timer.start(0.0), ScriptedFailure);
  expectLockFreeFromAnotherThread(timer);
  timer.failRead = false;
  timer.advance(1.0);
  EXPECT_EQ(timer.restarts, 1);
  EXPECT_EQ(timer.current(), 1.0);
}

TEST(HighResTimer, FailedReadInStopLeavesItRunningWithoutASample) {
  FakeTimer timer;
  timer.start(0.0);
  timer.advance(2.0);
  timer.failRead = true;
  EXPECT_THROW(timer.stop(), ScriptedFailure);
  expectLockFreeFromAnotherThread(timer);
  EXPECT_EQ(timer.maximum(), 0.0);
  timer.failRead = false;
  timer.advance(1.0);
  EXPECT_EQ(timer.stop(), 3.0);
  EXPECT_EQ(timer.average(), 3.0);
}

TEST(HighResTimer, FailedReadInCurrentReleasesTheLockAndKeepsItRunning) {
  FakeTimer timer;
  timer.start(0.0);
  timer.advance(1.0);
  timer.failRead = true;
  EXPECT_THROW(timer.current(), ScriptedFailure);
  expectLockFreeFromAnotherThread(timer);
  timer.failRead = false;
  timer.advance(1.0);
  EXPECT_EQ(timer.stop(), 2.0);
}

// Records sample after sample, each with the next allocation armed to fail,
// until one needs the sample storage to grow. Returns how many got in.
template <typename Record>
int recordUntilGrowthFails(Record record) {
  for (int recorded = 0; recorded < 1000; ++recorded) {
    FailNextAllocation failure;
    try {
      record();
    } catch (const std::bad_alloc&) {
      EXPECT_TRUE(failure.happened());
      return recorded;
    }
    EXPECT_FALSE(failure.happened()) << "an allocation failed but nothing was thrown";
  }
  ADD_FAILURE() << "the sample storage never grew";
  return -1;
}

TEST(HighResTimer, FailedGrowthInAddSampleLeavesTheStatisticsAsTheyWere) {
  FakeTimer timer;
  timer.addSample(8.0);
  timer.addSample(2.0);
  const int recorded = recordUntilGrowthFails([&timer] { timer.addSample(5.0); });
  ASSERT_GE(recorded, 0);
  expectLockFreeFromAnotherThread(timer);
  const double sum = 10.0 + 5.0 * recorded;
  EXPECT_EQ(timer.minimum(), 2.0);
  EXPECT_EQ(timer.maximum(), 8.0);
  EXPECT_EQ(timer.average(), sum / (2 + recorded));
  // The sample that did not fit is not in the mean later either.
  timer.addSample(20.0);
  EXPECT_EQ(timer.maximum(), 20.0);
  EXPECT_EQ(timer.average(), (sum + 20.0) / (3 + recorded));
}

TEST(HighResTimer, FailedGrowthInStopEndsTheMeasurementWithoutASample) {
  FakeTimer timer;
  const int recorded = recordUntilGrowthFails([&timer] {
    timer.start(0.0);
    timer.advance(3.0);
    timer.stop();
  });
  ASSERT_GE(recorded, 0);
  expectLockFreeFromAnotherThread(timer);
  // stop() had already cleared the measurement when the sample failed to fit.
  EXPECT_EQ(timer.current(), 0.0);
  EXPECT_EQ(timer.stop(), 0.0);
  EXPECT_EQ(timer.average(), recorded == 0 ? 0.0 : 3.0);
  timer.start(0.0);
  timer.advance(7.0);
  timer.stop();
  EXPECT_EQ(timer.average(), (3.0 * recorded + 7.0) / (recorded + 1));
}

// A time source that reads the stopwatch while it is asked for the time, so
// the thread that holds the lock takes it again. start() and stop() do not
// re-enter the lock themselves, so this is what keeps it re-entrant: with a
// plain mutex the run blocks, and the bounded wait fails it.
class CallbackTimer final : public HighResTimer {
 public:
  mutable int callbacks = 0;

 private:
  void restartCounter() override {
    (void)minimum();
    ++callbacks;
  }
  double secondsSinceRestart() const override {
    (void)average();
    ++callbacks;
    return 1.0;
  }
};

TEST(HighResTimer, TimeSourceMayCallBackIntoTheStopwatch) {
  CallbackTimer timer;
  testing::expectEndsOnAnotherThread(
      [&timer] {
        EXPECT_EQ(timer.start(0.0), 1.0);
        EXPECT_EQ(timer.current(), 1.0);
        EXPECT_EQ(timer.stop(), 1.0);
      },
      "a time source calling back into the stopwatch");
  EXPECT_EQ(timer.callbacks, 4);
  EXPECT_EQ(timer.average(), 1.0);
  expectLockFreeFromAnotherThread(timer);
}

}  // namespace
}  // namespace statbench
