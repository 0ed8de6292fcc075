// HighResTimer: a stopwatch that keeps the minimum, maximum and mean of every
// interval it has measured.
//
// What a measurement holds: stop() returns the seconds between the counter
// read that start() makes when it restarts the time source and the read that
// stop() makes, plus the offset given to start(). Everything the caller does
// in between is inside the interval; taking the lock and the bookkeeping in
// stop() after its read are not.
//
// Cost: start() from idle reads the counter twice (once to restart it, once
// for the reading it returns); start() while running reads it once; stop()
// reads it once; current() reads it once while running and never when idle.
// The accessors read no counter.
//
// Locking: every public operation holds one per-object re-entrant lock for its
// whole duration, calls into the time source included, and takes it once:
// start() and stop() share the bodies of current(), resetCurrent() and
// addSample() without taking it again, so no second acquisition lands inside
// the measured interval or on the start/stop path. It stays re-entrant, so a
// time source may call back into the stopwatch. The lock is released on every
// exit, a thrown failure included, so one stopwatch may be started, stopped
// and read from several threads.
//
// All times are seconds in a double.
#pragma once

#include <vector>

#include "platform/platform.h"

namespace statbench {

class HighResTimer {
 public:
  HighResTimer(const HighResTimer&) = delete;
  HighResTimer& operator=(const HighResTimer&) = delete;

  // Begins a measurement, counting initialSeconds in when it is above 0.0,
  // and returns the reading right after starting. On a running stopwatch it
  // changes nothing and returns the running reading. When restarting the
  // counter fails, the stopwatch stays idle and unchanged.
  double start(double initialSeconds);
  // Ends the measurement, records it as a sample and returns it. On an idle
  // stopwatch it records nothing and returns the current offset.
  double stop();
  // Elapsed seconds plus the offset while running; the offset when idle.
  double current() const;

  double minimum() const;
  double maximum() const;
  double average() const;

  void resetCurrent();
  void resetStatistics();
  // Records one sample and returns the reference it was given.
  const double& addSample(const double& sample);

 protected:
  HighResTimer();
  // Not virtual: a stopwatch is owned by value and destroyed as its concrete
  // type; protected so it cannot be deleted through this base.
  ~HighResTimer();

  // Captures the time source's start point.
  virtual void restartCounter() = 0;
  // Seconds elapsed since the last restartCounter().
  virtual double secondsSinceRestart() const = 0;

 private:
  // The bodies of current(), resetCurrent() and addSample(), for callers
  // that already hold the lock.
  double currentLocked() const;
  void resetCurrentLocked();
  void addSampleLocked(double sample);

  mutable platform::CriticalSection lock;
  double offsetSeconds = 0.0;
  bool running = false;
  double minSeconds = 0.0;
  double maxSeconds = 0.0;
  double averageSeconds = 0.0;
  bool firstSample = true;
  std::vector<double> samples;
};

}  // namespace statbench
