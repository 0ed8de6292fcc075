// The real Windows services behind the platform layer: the performance
// counter and a critical section.
#include <windows.h>

#include <new>

#include "platform/platform.h"

namespace statbench::platform {
namespace {

static_assert(sizeof(CRITICAL_SECTION) <= CriticalSection::kStorageSize);
static_assert(alignof(CRITICAL_SECTION) <= CriticalSection::kStorageAlignment);

CRITICAL_SECTION* native(unsigned char* storage) {
  return std::launder(reinterpret_cast<CRITICAL_SECTION*>(storage));
}

bool query(BOOL(WINAPI* function)(LARGE_INTEGER*), std::int64_t* value) {
  LARGE_INTEGER result{};
  if (function(&result) == 0) {
    return false;
  }
  *value = result.QuadPart;
  return true;
}

}  // namespace

void initializeProcess() { setDoublePrecision(); }

// Nothing to check while running: Windows reserves the main thread's whole
// stack when it creates the process, at the size the program's header asks
// for (set by the build, see cmake/windows_program.cmake), and keeps the
// arguments and the environment elsewhere; no user setting shrinks it. Whether main's
// frame fits is a fact of the file, which a test reads from the header. The
// compiler's probe then commits the frame page by page.
void requireStack(std::size_t /*bytes*/) {}

bool queryPerformanceFrequency(std::int64_t* ticksPerSecond) {
  return query(QueryPerformanceFrequency, ticksPerSecond);
}

bool queryPerformanceCounter(std::int64_t* ticks) { return query(QueryPerformanceCounter, ticks); }

CriticalSection::CriticalSection() {
  ::new (storage) CRITICAL_SECTION{};
  InitializeCriticalSection(native(storage));
}

CriticalSection::~CriticalSection() { DeleteCriticalSection(native(storage)); }

void CriticalSection::enter() { EnterCriticalSection(native(storage)); }

void CriticalSection::leave() { LeaveCriticalSection(native(storage)); }

}  // namespace statbench::platform
