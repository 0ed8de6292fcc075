#include <atomic>
#include <chrono>
#include <thread>

#include "tests/test_thread.h"

namespace statbench::testing {

struct TestThread::Native {
  std::atomic<bool> done{false};
  std::thread thread;
};

TestThread::TestThread(std::function<void()> work) : native(std::make_unique<Native>()) {
  native->thread = std::thread([state = native.get(), work = std::move(work)] {
    work();
    state->done = true;
  });
}

TestThread::~TestThread() {
  if (native->thread.joinable()) native->thread.join();
}

bool TestThread::joinWithin(int milliseconds) {
  for (int waited = 0; !native->done && waited < milliseconds; ++waited) sleepMilliseconds(1);
  if (!native->done) return false;
  native->thread.join();
  return true;
}

void sleepMilliseconds(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace statbench::testing
