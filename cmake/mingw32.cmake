# Windows on 32-bit x86, with MinGW-w64 (Debian g++-mingw-w64-i686), for
# every processor from the Pentium up: i586 code for the x87 alone, linked
# with a C and C++ runtime rebuilt for the i586, so that it runs on the
# K6-2, K6-III, WinChip and C3, which have 3DNow! but not the i686's CMOV
# and FCOMI that Debian's runtime is full of, and on processors without SSE.
set(CMAKE_SYSTEM_PROCESSOR i686)  # the compilers' triplet: i686-w64-mingw32
set(statbench_runtime_target mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/i586_runtime.cmake)
set(runtime ${STATBENCH_I586_RUNTIME})
set(CMAKE_C_FLAGS_INIT ${statbench_i586_options})
# The rebuilt C++ headers instead of the compiler's: the same GCC release.
set(CMAKE_CXX_FLAGS_INIT "${statbench_i586_options} -nostdinc++ -isystem ${runtime}/include/c++ -isystem ${runtime}/include/c++/i686-w64-mingw32")
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
# -B: start files and libgcc; -L: everything else, ahead of the compiler's.
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -B${runtime}/lib/ -L${runtime}/lib")
