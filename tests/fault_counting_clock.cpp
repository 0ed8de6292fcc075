// Linked into a variant of the program in place of its clock read
// (-Wl,--wrap=clock_gettime) by the page-fault test: as each CLOCK_MONOTONIC
// read returns, it notes the process's page faults so far (getrusage, minor
// and major), and at exit writes one count per read, a line each, to the
// file named by STATBENCH_FAULT_LOG. The first pass runs from the 1st read
// (the restart in start) to the 3rd (the read in stop), so the difference
// between those two lines is the faults between the two clock samples: the
// pass's interval, counted, not timed. (A read's own first call into the
// system's clock pages faults before it samples the clock, outside the
// interval.)
//
// Noting must not fault itself: the counts go to a fixed array written once
// before main, and getrusage is called once then too, so that its code and
// the array's pages are in before the program's first read.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

extern "C" int __real_clock_gettime(clockid_t clock, timespec* now) noexcept;

namespace {

constexpr int kMaxReads = 16;
long faultsAtRead[kMaxReads];
// The program reads its counter from one thread.
int monotonicReads = 0;

long minorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt + usage.ru_majflt;
}

struct FaultLog {
  FaultLog() {
    for (long& faults : faultsAtRead) {
      faults = 0;
    }
    minorFaults();
  }
  ~FaultLog() {
    const char* path = std::getenv("STATBENCH_FAULT_LOG");
    if (path == nullptr) {
      return;
    }
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
      return;
    }
    const int reads = monotonicReads < kMaxReads ? monotonicReads : kMaxReads;
    for (int read = 0; read < reads; ++read) {
      char line[32];
      const int length = std::snprintf(line, sizeof line, "%ld\n", faultsAtRead[read]);
      if (write(fd, line, static_cast<std::size_t>(length)) != length) {
        break;
      }
    }
    close(fd);
  }
} faultLog;

}  // namespace

extern "C" int __wrap_clock_gettime(clockid_t clock, timespec* now) noexcept {
  const int result = __real_clock_gettime(clock, now);
  if (clock == CLOCK_MONOTONIC) {
    const int read = monotonicReads++;
    if (read < kMaxReads) {
      faultsAtRead[read] = minorFaults();
    }
  }
  return result;
}
