// The few operating-system services the stopwatch needs: a high-resolution
// tick counter and a re-entrant lock. On Windows they are the performance
// counter and a critical section; elsewhere platform_posix.cpp stands in with
// CLOCK_MONOTONIC and a recursive mutex. The build picks one source file, so
// nothing above this layer knows which platform it runs on.
#pragma once

#include <cstddef>
#include <cstdint>

namespace statbench::platform {

// Puts the process in the state the program expects before it does any
// work, the floating-point precision below included; on POSIX it also takes
// now the page faults that the first pass would otherwise take on its
// stack. main calls it first.
void initializeProcess();

// Ends the process with one line on standard error, saying what it needs,
// when the main thread's stack cannot hold `bytes` more below the caller,
// beside what is in use above it and what initializeProcess commits. Meant
// to run before main, whose frame is larger than the stack some systems
// allow: a stack that is too small would otherwise end the run by SIGSEGV
// before any output. Windows fixes the stack's size in the program's header.
void requireStack(std::size_t bytes);

// Makes the floating-point unit round every result to a double's 53-bit
// significand. Only the x87 unit of 32-bit builds needs it: glibc and the
// MinGW runtime start it at 64 bits, which would round sums twice and change
// their last bits. SSE2 arithmetic is double already.
void setDoublePrecision();

// A counter query in the shape of QueryPerformanceFrequency and
// QueryPerformanceCounter: fills *value and returns false on failure.
using CounterQuery = bool (*)(std::int64_t* value);

// Ticks per second; fixed while the process runs.
bool queryPerformanceFrequency(std::int64_t* ticksPerSecond);
// Current tick count; never decreases.
bool queryPerformanceCounter(std::int64_t* ticks);

// A lock that its owning thread may take again while holding it; every
// enter() needs one leave(). The native object lives inside this one, so
// creating the lock never allocates.
class CriticalSection {
 public:
  CriticalSection();
  ~CriticalSection();
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  void enter();
  void leave();

  // Room and alignment for the largest native lock among our targets; each
  // platform source checks at compile time that its lock fits. A fixed
  // number, not std::max_align_t: MinGW's i686 headers make that 8 or 16
  // bytes depending on which header defines it first, which gave the
  // stopwatch two layouts in one program.
  static constexpr std::size_t kStorageSize = 64;
  static constexpr std::size_t kStorageAlignment = 8;

 private:
  alignas(kStorageAlignment) unsigned char storage[kStorageSize];
};

// Holds a CriticalSection for the guard's lifetime, so every exit from a
// scope, a thrown exception included, releases it.
class CriticalSectionGuard {
 public:
  explicit CriticalSectionGuard(CriticalSection& section) : held(section) { held.enter(); }
  ~CriticalSectionGuard() { held.leave(); }
  CriticalSectionGuard(const CriticalSectionGuard&) = delete;
  CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;

 private:
  CriticalSection& held;
};

}  // namespace statbench::platform
