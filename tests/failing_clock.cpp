// Preloaded (LD_PRELOAD) into the program by the counter-failure test, so
// that the program itself stays as shipped: CLOCK_MONOTONIC, the clock behind
// the performance counter on POSIX, answers the first N reads, where N is
// STATBENCH_CLOCK_READS_BEFORE_FAILURE, and fails every read after, as a
// counter that breaks in the middle of a run would. Other clocks answer as
// usual.
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>

namespace {

long readsBeforeFailure() {
  const char* value = std::getenv("STATBENCH_CLOCK_READS_BEFORE_FAILURE");
  return value != nullptr ? std::strtol(value, nullptr, 10) : 0;
}

std::atomic<long> monotonicReads{0};

}  // namespace

extern "C" int clock_gettime(clockid_t clock, timespec* now) noexcept {
  static const long limit = readsBeforeFailure();
  if (clock == CLOCK_MONOTONIC && ++monotonicReads > limit) {
    errno = EINVAL;
    return -1;
  }
  return static_cast<int>(syscall(SYS_clock_gettime, clock, now));
}
