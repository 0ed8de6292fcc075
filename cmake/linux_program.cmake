# How the Linux program is compiled and linked, so that its first timed
# pass pays only for what the Windows builds' passes pay for, and so that it
# runs on any Linux: applied to the shipped program and to the tests'
# variants of it alike.
#
# - main's frame (the four work buffers, 160 KB) is probed a page at a time
#   at entry, as the Windows compiler's ___chkstk_ms does: its pages are
#   committed before the first pass, not at their first touch inside it.
# - Static: the C library, the C++ runtime and libgcc are linked in, so the
#   program needs nothing of the system but its kernel (Linux 3.2 or later,
#   the oldest the C library supports) and nothing is bound while it runs.
#   A sanitizer's runtime is a shared object, so sanitizer builds link the
#   C++ runtime in and bind every symbol at load instead; so does a 32-bit
#   build without the C library rebuilt for the i586
#   (STATBENCH_I586_RUNTIME): Debian's i386 libc.a holds SSE2 variants of
#   memset and its kin, picked at run time, which a program for processors
#   without SSE must not carry.
# - Sections nothing calls are dropped.
target_compile_options(statbench_main PRIVATE -fstack-clash-protection)

# Off only for Valgrind's memcheck, which follows the heap through the C
# library's shared malloc and reports a static one's start-up as errors.
option(STATBENCH_LINK_STATIC "Link the Linux program statically (off: only for Valgrind)" ON)
set(STATBENCH_STATIC_PROGRAM ON)
if(NOT STATBENCH_LINK_STATIC OR CMAKE_CXX_FLAGS MATCHES "-fsanitize="
   OR (CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT STATBENCH_I586_RUNTIME))
  set(STATBENCH_STATIC_PROGRAM OFF)
endif()

function(statbench_link_like_the_program target)
  if(NOT STATBENCH_STATIC_PROGRAM)
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc LINKER:-z,now)
  else()
    target_link_options(${target} PRIVATE -static)
  endif()
  target_link_options(${target} PRIVATE LINKER:--gc-sections)
endfunction()
