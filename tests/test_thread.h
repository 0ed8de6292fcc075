// Threads for the tests. The Windows builds use the compilers' win32 thread
// model, whose C++ library has no std::thread, so the tests start and wait
// for threads through this class: std::thread on POSIX
// (test_thread_posix.cpp), CreateThread on Windows (test_thread_win32.cpp).
#pragma once

#include <functional>
#include <memory>

namespace statbench::testing {

class TestThread {
 public:
  explicit TestThread(std::function<void()> work);
  // Waits for the work to end.
  ~TestThread();
  TestThread(const TestThread&) = delete;
  TestThread& operator=(const TestThread&) = delete;

  // Waits at most `milliseconds` for the work to end; false if it has not.
  bool joinWithin(int milliseconds);

  struct Native;

 private:
  std::unique_ptr<Native> native;
};

void sleepMilliseconds(int milliseconds);

// Runs work on another thread and fails the test, naming what, if it has not
// ended within ten seconds. A lock left taken then keeps that thread blocked
// for good, so the test program ends there rather than run on beside it.
void expectEndsOnAnotherThread(const std::function<void()>& work, const char* what);

}  // namespace statbench::testing
