// Win32HighResTimer: the stopwatch over the high-resolution performance
// counter (on POSIX, the stand-in in platform_posix.cpp).
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "timing/high_res_timer.h"

namespace statbench {

class Win32HighResTimer final : public HighResTimer {
 public:
  // Reads the counter frequency once. Throws std::runtime_error when the
  // query fails or the frequency is 0. The queries default to the platform's;
  // tests hand in failing ones.
  explicit Win32HighResTimer(
      platform::CounterQuery frequencyQuery = platform::queryPerformanceFrequency,
      platform::CounterQuery counterQuery = platform::queryPerformanceCounter);

 private:
  // Both throw std::runtime_error when the counter query fails.
  void restartCounter() override;
  double secondsSinceRestart() const override;

  platform::CounterQuery queryCounter;
  std::int64_t frequency = 0;
  std::int64_t startCount = 0;
};

}  // namespace statbench
