#include "timing/win32_high_res_timer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <thread>

#include "tests/fake_timer.h"
#include "platform/platform.h"

namespace statbench {
namespace {

using testing::expectLockFreeFromAnotherThread;

// A scripted performance counter. The queries are plain functions, as the
// platform's are, so the script lives in globals reset by the fixture.
struct CounterScript {
  std::int64_t frequency = 1000;
  bool frequencyFails = false;
  std::int64_t ticks = 0;
  bool counterFails = false;
  int counterReads = 0;
};
CounterScript script;

bool scriptedFrequency(std::int64_t* value) {
  // Like the real query, a failing call may still write its output.
  *value = script.frequency;
  return !script.frequencyFails;
}

bool scriptedCounter(std::int64_t* value) {
  ++script.counterReads;
  if (script.counterFails) return false;
  *value = script.ticks;
  return true;
}

class Win32HighResTimerTest : public ::testing::Test {
 protected:
  void SetUp() override { script = CounterScript{}; }
};

void expectFailure(const std::runtime_error& failure, const std::string& what) {
  EXPECT_EQ(std::string(failure.what()), "Win32HighResTimer error - " + what);
}

TEST_F(Win32HighResTimerTest, FailedFrequencyQueryFailsConstruction) {
  script.frequencyFails = true;
  script.frequency = 0;  // the failed call is reported, not the zero it left
  try {
    Win32HighResTimer timer(scriptedFrequency, scriptedCounter);
    FAIL() << "constructed despite a failed frequency query";
  } catch (const std::runtime_error& failure) {
    expectFailure(failure, "QueryPerformanceFrequency()");
  }
}

TEST_F(Win32HighResTimerTest, ZeroFrequencyFailsConstruction) {
  script.frequency = 0;
  try {
    Win32HighResTimer timer(scriptedFrequency, scriptedCounter);
    FAIL() << "constructed with a zero frequency";
  } catch (const std::runtime_error& failure) {
    expectFailure(failure, "This system does not support high performance counters");
  }
}

TEST_F(Win32HighResTimerTest, TicksBecomeSecondsAtTheQueriedFrequency) {
  script.frequency = 4;
  Win32HighResTimer timer(scriptedFrequency, scriptedCounter);
  script.ticks = 1'000'000'000'000;
  EXPECT_EQ(timer.start(0.0), 0.0);
  script.ticks += 10;
  EXPECT_EQ(timer.current(), 2.5);
  EXPECT_EQ(timer.stop(), 2.5);
  EXPECT_EQ(timer.average(), 2.5);
  // start from idle: restart plus reading; current while running: one; stop: one.
  EXPECT_EQ(script.counterReads, 4);
}

TEST_F(Win32HighResTimerTest, FailedCounterInStartThrowsAndLeavesItRunning) {
  Win32HighResTimer timer(scriptedFrequency, scriptedCounter);
  script.counterFails = true;
  try {
    timer.start(0.0);
    FAIL() << "start succeeded without a counter";
  } catch (const std::runtime_error& failure) {
    expectFailure(failure, "QueryPerformanceCounter()");
  }
  expectLockFreeFromAnotherThread(timer);
  // Running already: once the counter answers, stop records a sample.
  script.counterFails = false;
  script.ticks = 3000;
  EXPECT_EQ(timer.stop(), 3.0);
  EXPECT_EQ(timer.maximum(), 3.0);
}

TEST_F(Win32HighResTimerTest, FailedCounterInStopThrowsAndRecordsNothing) {
  Win32HighResTimer timer(scriptedFrequency, scriptedCounter);
  script.ticks = 500;
  timer.start(0.0);
  script.counterFails = true;
  try {
    timer.stop();
    FAIL() << "stop succeeded without a counter";
  } catch (const std::runtime_error& failure) {
    expectFailure(failure, "QueryPerformanceCounter()");
  }
  expectLockFreeFromAnotherThread(timer);
  EXPECT_EQ(timer.average(), 0.0);
  script.counterFails = false;
  script.ticks = 2500;
  EXPECT_EQ(timer.stop(), 2.0);
  EXPECT_EQ(timer.average(), 2.0);
}

TEST_F(Win32HighResTimerTest, PlatformCounterMeasuresASleep) {
  Win32HighResTimer timer;
  timer.start(0.0);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  // A correctness bound (the interval holds the sleep), not a speed claim.
  EXPECT_GE(timer.stop(), 0.019);
}

TEST(Platform, CounterNeverGoesBackwards) {
  std::int64_t frequency = 0;
  ASSERT_TRUE(platform::queryPerformanceFrequency(&frequency));
  EXPECT_GT(frequency, 0);
  std::int64_t previous = 0;
  ASSERT_TRUE(platform::queryPerformanceCounter(&previous));
  for (int i = 0; i < 100'000; ++i) {
    std::int64_t now = 0;
    ASSERT_TRUE(platform::queryPerformanceCounter(&now));
    ASSERT_GE(now, previous);
    previous = now;
  }
}

TEST(Platform, CriticalSectionIsReentrantForItsOwner) {
  platform::CriticalSection section;
  {
    platform::CriticalSectionGuard outer(section);
    platform::CriticalSectionGuard inner(section);
  }
  // Both guards released it: another thread can take it now.
  std::thread other([&section] { platform::CriticalSectionGuard guard(section); });
  other.join();
}

TEST(Platform, CriticalSectionExcludesOtherThreads) {
  platform::CriticalSection section;
  long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 100'000; ++i) {
      platform::CriticalSectionGuard guard(section);
      counter = counter + 1;
    }
  };
  std::thread first(work);
  std::thread second(work);
  first.join();
  second.join();
  EXPECT_EQ(counter, 200'000);
}

}  // namespace
}  // namespace statbench
