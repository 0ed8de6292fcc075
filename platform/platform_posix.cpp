// Stand-ins for the Windows services on POSIX systems: CLOCK_MONOTONIC read
// in nanoseconds (so the frequency is 1e9) and a recursive mutex for the
// critical section, which Windows makes re-entrant for its owner too.
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <new>

#include "platform/platform.h"

namespace statbench::platform {
namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;

static_assert(sizeof(std::recursive_mutex) <= CriticalSection::kStorageSize);
static_assert(alignof(std::recursive_mutex) <= alignof(std::max_align_t));

std::recursive_mutex& native(unsigned char* storage) {
  return *std::launder(reinterpret_cast<std::recursive_mutex*>(storage));
}

}  // namespace

void initializeProcess() {
  setDoublePrecision();
  // A console reader that has gone away must not end the run: ignored, a
  // write to a broken pipe fails with EPIPE and the stream records the error,
  // as it does on Windows.
  std::signal(SIGPIPE, SIG_IGN);
}

void requireStack(std::size_t bytes) {
  rlimit limit{};
  if (getrlimit(RLIMIT_STACK, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
      limit.rlim_cur >= bytes) {
    return;
  }
  constexpr std::size_t kKiB = 1024;
  std::fprintf(stderr,
               "statbench: needs a stack of at least %zu KiB, but the limit is %zu KiB "
               "(ulimit -s %zu raises it)\n",
               (bytes + kKiB - 1) / kKiB, static_cast<std::size_t>(limit.rlim_cur) / kKiB,
               (bytes + kKiB - 1) / kKiB);
  std::_Exit(1);
}

bool queryPerformanceFrequency(std::int64_t* ticksPerSecond) {
  *ticksPerSecond = kNanosecondsPerSecond;
  return true;
}

bool queryPerformanceCounter(std::int64_t* ticks) {
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) {
    return false;
  }
  *ticks = static_cast<std::int64_t>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
  return true;
}

CriticalSection::CriticalSection() { ::new (storage) std::recursive_mutex(); }

CriticalSection::~CriticalSection() { native(storage).~recursive_mutex(); }

void CriticalSection::enter() { native(storage).lock(); }

void CriticalSection::leave() { native(storage).unlock(); }

}  // namespace statbench::platform
