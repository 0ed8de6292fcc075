// Stand-ins for the Windows services on POSIX systems: CLOCK_MONOTONIC read
// in nanoseconds (so the frequency is 1e9) and a recursive mutex for the
// critical section, which Windows makes re-entrant for its owner too.
#include <sys/auxv.h>
#include <sys/resource.h>
#include <unistd.h>

#include <charconv>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>

#include "platform/platform.h"

namespace statbench::platform {
namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;

static_assert(sizeof(std::recursive_mutex) <= CriticalSection::kStorageSize);
static_assert(alignof(std::recursive_mutex) <= CriticalSection::kStorageAlignment);

std::recursive_mutex& native(unsigned char* storage) {
  return *std::launder(reinterpret_cast<std::recursive_mutex*>(storage));
}

// The smallest x86 page: touching one byte in every such stride touches
// every page, whatever the page size.
constexpr std::size_t kPageStride = 4096;

// How deep below main's frame the program's calls reach, the C library's
// number formatting the deepest (about 4 KB here), with room to spare.
constexpr std::size_t kStackCommit = 16 * 1024;

// A stack page is committed at its first touch. main's frame is probed at
// entry (see cmake/linux_program.cmake), but the pass's calls reach a few
// kilobytes below it, deeper than anything before the pass, so the pages
// there are committed now rather than inside the first interval.
[[gnu::noinline]] void commitStack() {
  unsigned char reserve[kStackCommit];
  // Written through a pointer read back from a volatile object, so that the
  // array must exist whole where it is declared: a compiler may otherwise
  // lay a local it can see all of out anew (Clang packed the stores into 4
  // bytes).
  volatile unsigned char* volatile bytes = reserve;
  // Top down, as the stack grows, a stride apart and the lowest byte last:
  // the array need not start on a page, so it spans one page more than its
  // size holds, and every page it spans gets a touched byte.
  for (std::size_t offset = kStackCommit; offset > 0; offset -= kPageStride) {
    bytes[offset - 1] = 0;
  }
  bytes[0] = 0;
}

std::size_t roundUpToPage(std::size_t bytes) {
  return (bytes + kPageStride - 1) & ~(kPageStride - 1);
}

// The top of the main thread's stack. Linux copies the program's file name
// there last, ending a pointer's width below the top of the stack's mapping,
// which ends on a page boundary; 0 where the system does not say.
std::uintptr_t stackTop() {
  const auto* name = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
  if (name == nullptr) {
    return 0;
  }
  const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(name) + std::strlen(name) + 1;
  return roundUpToPage(end);
}

// One line of text formed in a fixed buffer and written with write(): no
// stdio, whose formatting alone needs more stack than a refused program may
// have left. What does not fit is cut.
class MessageLine {
 public:
  MessageLine& operator<<(const char* text) {
    while (*text != '\0' && end != buffer + sizeof buffer) {
      *end++ = *text++;
    }
    return *this;
  }
  MessageLine& operator<<(std::size_t number) {
    end = std::to_chars(end, buffer + sizeof buffer, number).ptr;
    return *this;
  }
  void writeTo(int fd) const {
    const auto length = static_cast<std::size_t>(end - buffer);
    [[maybe_unused]] const ssize_t written = write(fd, buffer, length);
  }

 private:
  char buffer[160];
  char* end = buffer;
};

}  // namespace

void initializeProcess() {
  setDoublePrecision();
  // A console reader that has gone away must not end the run: ignored, a
  // write to a broken pipe fails with EPIPE and the stream records the error,
  // as it does on Windows.
  std::signal(SIGPIPE, SIG_IGN);
  commitStack();
}

void requireStack(std::size_t bytes) {
  rlimit limit{};
  if (getrlimit(RLIMIT_STACK, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
    return;
  }
  // The limit counts from the top of the stack: what lies above this frame
  // (the arguments, the environment, the auxiliary vector and the frames
  // that called this one, up to a quarter of the limit) is spent already.
  // What the caller asks for comes on top, and so does the stack that
  // start-up commits below main's frame.
  const unsigned char here = 0;
  const std::uintptr_t top = stackTop();
  const std::uintptr_t current = reinterpret_cast<std::uintptr_t>(&here);
  const std::size_t used = top > current ? top - current : 0;
  // The stack grows a page at a time, so a need is a whole number of pages.
  const std::size_t needed = roundUpToPage(used + bytes + kStackCommit);
  if (limit.rlim_cur >= needed) {
    return;
  }
  // Linux starts each run's stack up to 8 KiB lower below the environment,
  // at random: the limit suggested must do for every run, not just this one.
  constexpr std::size_t kStartJitter = 8 * 1024;
  constexpr std::size_t kKiB = 1024;
  MessageLine message;
  message << "statbench: needs a stack of at least " << needed / kKiB << " KiB, but the limit is "
          << static_cast<std::size_t>(limit.rlim_cur) / kKiB << " KiB (ulimit -s "
          << (needed + kStartJitter) / kKiB << " raises it)\n";
  message.writeTo(STDERR_FILENO);
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
