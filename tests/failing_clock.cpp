// Linked into a variant of the program in place of its clock read
// (-Wl,--wrap=clock_gettime), so that the counter-failure tests run the
// shipped program's own code: CLOCK_MONOTONIC, the clock behind the
// performance counter on POSIX, answers the first N reads, where N is
// STATBENCH_CLOCK_READS_BEFORE_FAILURE, and fails every read after, as a
// counter that breaks in the middle of a run would. Other clocks answer as
// usual.
#include <cerrno>
#include <cstdlib>
#include <ctime>

extern "C" int __real_clock_gettime(clockid_t clock, timespec* now) noexcept;

namespace {

long readsBeforeFailure() {
  const char* value = std::getenv("STATBENCH_CLOCK_READS_BEFORE_FAILURE");
  return value != nullptr ? std::strtol(value, nullptr, 10) : 0;
}

// The program reads its counter from one thread.
long monotonicReads = 0;

}  // namespace

extern "C" int __wrap_clock_gettime(clockid_t clock, timespec* now) noexcept {
  static const long limit = readsBeforeFailure();
  if (clock == CLOCK_MONOTONIC && ++monotonicReads > limit) {
    errno = EINVAL;
    return -1;
  }
  return __real_clock_gettime(clock, now);
}
