#include "timing/win32_high_res_timer.h"

#include <stdexcept>
#include <string>

namespace statbench {
namespace {

[[noreturn]] void fail(const char* what) {
  throw std::runtime_error(std::string("Win32HighResTimer error - ") + what);
}

}  // namespace

Win32HighResTimer::Win32HighResTimer(platform::CounterQuery frequencyQuery,
                                     platform::CounterQuery counterQuery)
    : queryCounter(counterQuery) {
  if (!frequencyQuery(&frequency)) {
    fail("QueryPerformanceFrequency()");
  }
  if (frequency == 0) {
    fail("This system does not support high performance counters");
  }
}

void Win32HighResTimer::restartCounter() {
  if (!queryCounter(&startCount)) {
    fail("QueryPerformanceCounter()");
  }
}

double Win32HighResTimer::secondsSinceRestart() const {
  std::int64_t now = 0;
  if (!queryCounter(&now)) {
    fail("QueryPerformanceCounter()");
  }
  const std::int64_t ticks = now - startCount;
  return static_cast<double>(ticks) / static_cast<double>(frequency);
}

}  // namespace statbench
