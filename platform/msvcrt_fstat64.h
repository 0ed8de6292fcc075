// The 32-bit Windows build's own _fstat64 for msvcrt.dll releases without
// one (see msvcrt_fstat64_win32.cpp).
#pragma once

#include <sys/stat.h>

namespace statbench::platform {

// _fstat64 as msvcrt's older _fstati64 gives it: the same fields, the times
// widened from 32 bits. What the program runs where msvcrt lacks _fstat64.
int fstat64ThroughFstati64(int fd, struct _stat64* out);

}  // namespace statbench::platform
