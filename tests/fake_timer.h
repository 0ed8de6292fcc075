// A HighResTimer whose clock moves only when a test says so, and whose time
// source can be told to fail, so the stopwatch's logic is tested exactly.
#pragma once

#include <stdexcept>

#include "tests/test_thread.h"

#include "timing/high_res_timer.h"

namespace statbench::testing {

// Thrown by the fake time source; a distinct type, so tests can see that the
// stopwatch lets the very same failure through.
struct ScriptedFailure : std::runtime_error {
  ScriptedFailure() : std::runtime_error("scripted time source failure") {}
};

class FakeTimer final : public HighResTimer {
 public:
  void advance(double seconds) { now += seconds; }

  int restarts = 0;
  mutable int reads = 0;
  bool failRestart = false;
  bool failRead = false;

 private:
  void restartCounter() override {
    ++restarts;
    if (failRestart) throw ScriptedFailure();
    startPoint = now;
  }
  double secondsSinceRestart() const override {
    ++reads;
    if (failRead) throw ScriptedFailure();
    return now - startPoint;
  }

  double now = 100.0;
  double startPoint = 0.0;
};

// Takes the stopwatch's lock from a second thread; fails, and ends the test
// program, if the first thread left it taken.
inline void expectLockFreeFromAnotherThread(const HighResTimer& timer) {
  expectEndsOnAnotherThread([&timer] { (void)timer.minimum(); }, "taking the stopwatch's lock");
}

}  // namespace statbench::testing
