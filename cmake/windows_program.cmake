# How the Windows program is linked, applied to the shipped program and to
# the tests' variants of it alike.
#
# - main's frame holds the work buffers (160 KB), and the C and C++ runtimes
#   print from below it. Windows reserves the main thread's stack at the
#   size the header states, so it is stated here rather than left to the
#   linker's default: 2 MiB, which a test reads back from the header.
# - The version resource that a file's Properties show.
# - The 32-bit program carries its own _fstat64, for the msvcrt of Windows
#   98 SE (see the source). Linked as objects: they must come before the C++
#   runtime, which would otherwise take msvcrt's.
set(STATBENCH_WINDOWS_STACK_RESERVE 2097152)
enable_language(RC)
configure_file(app/version.rc.in version.rc @ONLY)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_library(statbench_msvcrt_fallbacks OBJECT platform/msvcrt_fstat64_win32.cpp)
  target_include_directories(statbench_msvcrt_fallbacks PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  statbench_set_warnings(statbench_msvcrt_fallbacks)
endif()

function(statbench_link_like_the_program target)
  target_link_options(${target} PRIVATE LINKER:--stack,${STATBENCH_WINDOWS_STACK_RESERVE})
  target_sources(${target} PRIVATE ${PROJECT_BINARY_DIR}/version.rc)
  if(TARGET statbench_msvcrt_fallbacks)
    target_link_libraries(${target} PRIVATE statbench_msvcrt_fallbacks)
  endif()
endfunction()
