/* Preloaded into the 32-bit Wine when it runs under qemu-i386, so that it
 * can start there. QEMU 7.2's user-mode emulation gets two mapping requests
 * wrong that Wine relies on at start-up:
 * - MAP_FIXED_NOREPLACE is taken as a mere hint: where the address is taken,
 *   QEMU maps somewhere else instead of failing with EEXIST. Wine's
 *   reservation of its address ranges then never learns that a range is
 *   taken, loops for minutes and fails ("failed to map the shared user
 *   data: c0000018"). A misplaced result is unmapped here and reported as
 *   EEXIST, as the kernel does.
 * - A file offset that is not a multiple of 4 KiB is accepted; the kernel
 *   refuses it with EINVAL, and Wine's image loader relies on that.
 * The library takes itself out of LD_PRELOAD at once: the processes Wine
 * starts (wineserver) are native 64-bit programs, and a 32-bit preload
 * would keep them from starting.
 * Built with the tests for the host in 32-bit mode; the 32-bit builds run
 * it with qemu-i386 -E LD_PRELOAD=... so that only the emulated process
 * sees it. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/types.h>

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

typedef void* (*mmap64_function)(void*, size_t, int, int, int, off64_t);

__attribute__((constructor)) static void leave_the_environment(void) { unsetenv("LD_PRELOAD"); }

static void* checked_mmap(void* address, size_t length, int protection, int flags, int fd,
                          off64_t offset) {
  static mmap64_function real;
  /* POSIX's way from dlsym's object pointer to a function pointer. */
  if (!real) *(void**)&real = dlsym(RTLD_NEXT, "mmap64");
  if (offset % 4096 != 0) {
    errno = EINVAL;
    return MAP_FAILED;
  }
  void* result = real(address, length, protection, flags, fd, offset);
  if ((flags & MAP_FIXED_NOREPLACE) && result != MAP_FAILED && result != address) {
    munmap(result, length);
    errno = EEXIST;
    return MAP_FAILED;
  }
  return result;
}

void* mmap64(void* address, size_t length, int protection, int flags, int fd, off64_t offset) {
  return checked_mmap(address, length, protection, flags, fd, offset);
}

void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset) {
  return checked_mmap(address, length, protection, flags, fd, offset);
}
