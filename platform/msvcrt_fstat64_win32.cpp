// The msvcrt.dll of Windows 98 SE (that of Visual C++ 6.0) has no _fstat64;
// it first came with the msvcrt of Windows ME and 2000. libstdc++'s file
// streams call it through the import slot __imp___fstat64, and Windows
// refuses to start a program that imports a function its DLLs lack. So the
// program defines that slot itself, which keeps the linker from making it an
// import: the function behind it calls msvcrt's own _fstat64 where msvcrt has
// one, and otherwise _fstati64 (there since Visual C++ 4.2), whose result
// differs only in the width of its times. 32-bit Windows builds only: every
// x64 msvcrt has _fstat64.
#include <windows.h>

#include <cerrno>

#include "platform/msvcrt_fstat64.h"

namespace statbench::platform {
namespace {

using Fstat64 = int(__cdecl*)(int, struct _stat64*);
// _fstati64's own structure, with 32-bit times; the headers' _fstati64 is
// _fstat64 under another name.
using Fstati64 = int(__cdecl*)(int, struct _stat32i64*);

template <typename Function>
Function msvcrtFunction(const char* name) {
  // Loaded already: the program imports from it.
  HMODULE msvcrt = GetModuleHandleA("msvcrt.dll");
  if (msvcrt == nullptr) return nullptr;
  // Through void(*)(), the one function type that may stand for any other.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(msvcrt, name)));
}

int __cdecl fstat64OrOlder(int fd, struct _stat64* out) {
  static const Fstat64 real = msvcrtFunction<Fstat64>("_fstat64");
  return real != nullptr ? real(fd, out) : fstat64ThroughFstati64(fd, out);
}

}  // namespace

int fstat64ThroughFstati64(int fd, struct _stat64* out) {
  static const Fstati64 older = msvcrtFunction<Fstati64>("_fstati64");
  if (older == nullptr) {
    errno = ENOSYS;
    return -1;
  }
  struct _stat32i64 narrow {};
  const int status = older(fd, &narrow);
  if (status != 0) return status;
  *out = {};
  out->st_dev = narrow.st_dev;
  out->st_ino = narrow.st_ino;
  out->st_mode = narrow.st_mode;
  out->st_nlink = narrow.st_nlink;
  out->st_uid = narrow.st_uid;
  out->st_gid = narrow.st_gid;
  out->st_rdev = narrow.st_rdev;
  out->st_size = narrow.st_size;
  out->st_atime = narrow.st_atime;
  out->st_mtime = narrow.st_mtime;
  out->st_ctime = narrow.st_ctime;
  return 0;
}

}  // namespace statbench::platform

// The slot that libstdc++'s calls go through, under the name an import
// would have.
extern "C" {
int(__cdecl* statbenchFstat64Slot)(int, struct _stat64*) __asm__("__imp___fstat64") =
    statbench::platform::fstat64OrOlder;
}
