# Linux on 32-bit x86, with this machine's compilers in 32-bit mode (Debian
# g++-multilib), for every processor from the Pentium up: i586 code for the
# x87 alone, linked statically with glibc, libgcc and libstdc++ rebuilt for
# the i586. Debian's i386 runtime is i686 code (CMOV, endbr32) with SSE2
# string functions picked at run time; the K6-2, K6-III, WinChip and C3
# execute neither.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i586)
set(statbench_runtime_target linux32)
include(${CMAKE_CURRENT_LIST_DIR}/i586_runtime.cmake)
set(sysroot ${STATBENCH_I586_RUNTIME}/sysroot)
# --sysroot: glibc's headers and libraries, and for Clang the GCC
# installation it takes libgcc from; -B: GCC's multilib driver looks in
# <dir>/i386-linux-gnu for start files and libraries before the host's
# 32-bit directories.
set(CMAKE_C_FLAGS_INIT "-m32 ${statbench_i586_options} --sysroot=${sysroot} -B${sysroot}/usr/lib/")
set(CMAKE_CXX_FLAGS_INIT ${CMAKE_C_FLAGS_INIT})
# The C++ headers: Clang takes them from that GCC installation itself; GCC
# keeps its own directories outside any sysroot, so is pointed at them.
if(NOT "${CMAKE_CXX_COMPILER};$ENV{CXX}" MATCHES "clang")
  string(APPEND CMAKE_CXX_FLAGS_INIT " -nostdinc++ -isystem ${sysroot}/usr/include/c++"
    " -isystem ${sysroot}/usr/include/c++/i586-linux-gnu -isystem ${sysroot}/usr/include/c++/backward")
endif()
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
