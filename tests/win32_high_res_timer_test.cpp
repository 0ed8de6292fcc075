#include "timing/win32_high_res_timer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/platform.h"
#include "tests/test_thread.h"

namespace statbench {
namespace {

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

// What a failed counter leaves behind is the stopwatch's business, tested
// with the fake time source; here only the failure's text.
TEST_F(Win32HighResTimerTest, FailedCounterQueryNamesTheCounter) {
  Win32HighResTimer timer(scriptedFrequency, scriptedCounter);
  script.counterFails = true;
  for (const bool running : {false, true}) {
    try {
      running ? timer.stop() : timer.start(0.0);
      FAIL() << (running ? "stop" : "start") << " succeeded without a counter";
    } catch (const std::runtime_error& failure) {
      expectFailure(failure, "QueryPerformanceCounter()");
    }
    script.counterFails = false;
    timer.start(0.0);
    script.counterFails = true;
  }
}

TEST_F(Win32HighResTimerTest, PlatformCounterMeasuresASleep) {
  Win32HighResTimer timer;
  timer.start(0.0);
  testing::sleepMilliseconds(20);
  // A correctness bound (the interval holds the sleep), not a speed claim.
  EXPECT_GE(timer.stop(), 0.019);
}

TEST(Platform, CriticalSectionIsReentrantForItsOwner) {
  platform::CriticalSection section;
  // A lock that is not re-entrant blocks its owner at the second guard.
  testing::expectEndsOnAnotherThread(
      [&section] {
        platform::CriticalSectionGuard outer(section);
        platform::CriticalSectionGuard inner(section);
      },
      "taking the critical section twice");
  // Both guards released it: another thread can take it now.
  testing::expectEndsOnAnotherThread([&section] { platform::CriticalSectionGuard guard(section); },
                                     "taking the released critical section");
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
  {
    testing::TestThread first(work);
    testing::TestThread second(work);
  }
  EXPECT_EQ(counter, 200'000);
}

}  // namespace
}  // namespace statbench
