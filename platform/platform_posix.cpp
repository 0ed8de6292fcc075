// Stand-ins for the Windows services on POSIX systems: CLOCK_MONOTONIC read
// in nanoseconds (so the frequency is 1e9) and a recursive mutex for the
// critical section, which Windows makes re-entrant for its owner too.
#include <csignal>
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
