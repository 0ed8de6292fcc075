# Shared part of the MinGW-w64 toolchain files: mingw64.cmake and
# mingw32.cmake set CMAKE_SYSTEM_PROCESSOR and include this one.
#
# The -win32 compilers: their thread model builds the C++ runtime on the
# Win32 API alone, where the -posix model's winpthreads imports functions
# that Windows 9x, 2000 and XP lack (GetTickCount64, vectored exception
# handlers, ...). That model has no std::thread or std::mutex; the program
# needs neither (its lock is a critical section), and the unit tests start
# threads through the Win32 API. The C++ runtime and libgcc are linked in
# statically, so that statbench.exe needs nothing beyond the system DLLs
# (KERNEL32, msvcrt).
set(CMAKE_SYSTEM_NAME Windows)
set(mingw_triplet ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

# Named for the thread model, so that a build tree configured with the
# -posix compiler does not keep it from its cache.
find_program(STATBENCH_MINGW_WIN32_CXX ${mingw_triplet}-g++-win32)
if(NOT STATBENCH_MINGW_WIN32_CXX)
  string(REPLACE "_" "-" package g++-mingw-w64-${CMAKE_SYSTEM_PROCESSOR})
  message(FATAL_ERROR "${mingw_triplet}-g++-win32 not found; install the Debian package ${package}")
endif()
set(CMAKE_CXX_COMPILER ${STATBENCH_MINGW_WIN32_CXX})
# GoogleTest's build wants a C compiler too.
set(CMAKE_C_COMPILER ${mingw_triplet}-gcc-win32)
# The program's version resource.
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
