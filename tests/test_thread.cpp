#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/test_thread.h"

namespace statbench::testing {

void expectEndsOnAnotherThread(const std::function<void()>& work, const char* what) {
  TestThread other(work);
  if (other.joinWithin(10'000)) return;
  ADD_FAILURE() << what << " did not end on another thread within 10 s: a lock is still held";
  std::fflush(stdout);
  std::_Exit(1);
}

}  // namespace statbench::testing
