// Preloaded (LD_PRELOAD) into the program by the page-fault test: at each
// CLOCK_MONOTONIC read it notes the process's minor page faults so far
// (getrusage), and at exit writes one count per read, a line each, to the
// file named by STATBENCH_FAULT_LOG. The first pass runs from the 1st read
// (the restart in start) to the 3rd (the read in stop), so the difference
// between those two lines is the faults inside its interval: counted, not
// timed.
//
// Noting must not fault itself: the counts go to a fixed array written once
// at load, and both library calls are made once at load, so that their code
// is paged in and their symbols bound before the program's first read.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr int kMaxReads = 16;
long faultsAtRead[kMaxReads];
std::atomic<int> monotonicReads{0};

long minorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

int readClock(clockid_t clock, timespec* now) {
  return static_cast<int>(syscall(SYS_clock_gettime, clock, now));
}

struct FaultLog {
  FaultLog() {
    for (long& faults : faultsAtRead) {
      faults = 0;
    }
    timespec now{};
    readClock(CLOCK_MONOTONIC, &now);
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
    const int reads = monotonicReads < kMaxReads ? monotonicReads.load() : kMaxReads;
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

extern "C" int clock_gettime(clockid_t clock, timespec* now) noexcept {
  if (clock == CLOCK_MONOTONIC) {
    const int read = monotonicReads++;
    if (read < kMaxReads) {
      faultsAtRead[read] = minorFaults();
    }
  }
  return readClock(clock, now);
}
