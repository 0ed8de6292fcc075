#include "timing/high_res_timer.h"

#include <numeric>

namespace statbench {

using platform::CriticalSectionGuard;

HighResTimer::HighResTimer() {
  resetCurrent();
  resetStatistics();
}

HighResTimer::~HighResTimer() = default;

double HighResTimer::start(double initialSeconds) {
  CriticalSectionGuard guard(lock);
  if (!running) {
    // The counter first: a restart that fails leaves the stopwatch idle, as
    // it was, instead of running on a start point that was never captured.
    restartCounter();
    // Written so that NaN, like zero and negatives, keeps the old offset.
    if (initialSeconds > 0.0) {
      offsetSeconds = initialSeconds;
    }
    running = true;
  }
  return currentLocked();
}

double HighResTimer::stop() {
  CriticalSectionGuard guard(lock);
  if (!running) {
    return offsetSeconds;
  }
  const double total = secondsSinceRestart() + offsetSeconds;
  resetCurrentLocked();
  addSampleLocked(total);
  return total;
}

double HighResTimer::current() const {
  CriticalSectionGuard guard(lock);
  return currentLocked();
}

double HighResTimer::minimum() const {
  CriticalSectionGuard guard(lock);
  return minSeconds;
}

double HighResTimer::maximum() const {
  CriticalSectionGuard guard(lock);
  return maxSeconds;
}

double HighResTimer::average() const {
  CriticalSectionGuard guard(lock);
  return averageSeconds;
}

void HighResTimer::resetCurrent() {
  CriticalSectionGuard guard(lock);
  resetCurrentLocked();
}

void HighResTimer::resetStatistics() {
  CriticalSectionGuard guard(lock);
  minSeconds = 0.0;
  maxSeconds = 0.0;
  averageSeconds = 0.0;
  samples.clear();  // keeps the storage for the samples to come
  firstSample = true;
}

const double& HighResTimer::addSample(const double& sample) {
  CriticalSectionGuard guard(lock);
  addSampleLocked(sample);
  return sample;
}

double HighResTimer::currentLocked() const {
  return running ? secondsSinceRestart() + offsetSeconds : offsetSeconds;
}

void HighResTimer::resetCurrentLocked() {
  offsetSeconds = 0.0;
  running = false;
}

void HighResTimer::addSampleLocked(double sample) {
  // Grow first: if that throws, the statistics stay as they were.
  samples.push_back(sample);
  if (firstSample) {
    minSeconds = maxSeconds = averageSeconds = sample;
  } else {
    if (sample < minSeconds) {
      minSeconds = sample;
    } else if (sample > maxSeconds) {
      maxSeconds = sample;
    }
    // Recomputed from every sample, in order, rather than updated
    // incrementally, so it is exactly the mean of what was recorded.
    averageSeconds =
        std::accumulate(samples.begin(), samples.end(), 0.0) / static_cast<double>(samples.size());
  }
  firstSample = false;
}

}  // namespace statbench
