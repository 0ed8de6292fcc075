# The C and C++ runtime rebuilt for the i586, for the 32-bit toolchain files
# (mingw32.cmake, i586.cmake), which set statbench_runtime_target first.
#
# Every configure asks cmake/runtime/build_runtime.sh for the runtime: it
# builds it into its cache (minutes, once; its progress shows as it goes) or
# finds it there at once, and removes the runtimes no current input names.
# CMake reads a toolchain file again for every try_compile, which is handed
# the directory. -DSTATBENCH_I586_RUNTIME=<dir> names one built elsewhere,
# used as it is.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES STATBENCH_I586_RUNTIME)
set(previous "${STATBENCH_I586_RUNTIME}")
set(runtime "${previous}")
get_filename_component(name "${runtime}" NAME)
# The script's to choose: no runtime named, the one it gave last time, or
# one it gave that has since left its cache (a tree configured before this
# file kept its choice).
if(NOT runtime OR runtime STREQUAL "${statbench_i586_runtime_given}"
   OR (NOT EXISTS "${runtime}/.complete" AND name MATCHES "^${statbench_runtime_target}-[0-9a-f]+$"))
  # Standard error, the progress, goes straight to the terminal.
  execute_process(
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/runtime/build_runtime.sh ${statbench_runtime_target}
    OUTPUT_VARIABLE output RESULT_VARIABLE failed OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(failed)
    message(FATAL_ERROR "The i586 runtime could not be built (cmake/runtime/build_runtime.sh "
      "${statbench_runtime_target}); see above")
  endif()
  string(REGEX REPLACE ".*\n" "" runtime "${output}")
  set(STATBENCH_I586_RUNTIME ${runtime} CACHE PATH "The C and C++ runtime built for the i586" FORCE)
  set(statbench_i586_runtime_given ${runtime} CACHE INTERNAL "The runtime build_runtime.sh gave")
endif()
if(NOT EXISTS ${runtime}/.complete)
  message(FATAL_ERROR "STATBENCH_I586_RUNTIME (${runtime}) holds no complete runtime")
endif()
# The toolchain files' flags name the runtime, and CMake keeps them from the
# first configure: another runtime takes the place of the old in them. (A
# tree configured before this file has them name its first runtime.)
set(old "${previous}")
if(DEFINED CACHE{statbench_i586_runtime_in_flags})
  set(old "${statbench_i586_runtime_in_flags}")
endif()
if(old AND NOT old STREQUAL runtime)
  get_cmake_property(entries CACHE_VARIABLES)
  list(FILTER entries INCLUDE REGEX "^CMAKE_[A-Z_]*FLAGS[A-Z_]*$")
  foreach(entry IN LISTS entries)
    string(REPLACE "${old}" "${runtime}" value "$CACHE{${entry}}")
    set_property(CACHE ${entry} PROPERTY VALUE "${value}")
  endforeach()
  message(STATUS "The i586 runtime: ${runtime}, in place of ${old}")
endif()
set(statbench_i586_runtime_in_flags ${runtime} CACHE INTERNAL "The runtime the cached flags name")

# i586 code, the x87 for floating point: no CMOV, no FCOMI, no SSE; tuned
# for the processors of today, not the Pentium.
set(statbench_i586_options "-march=i586 -mtune=generic -mno-sse -mfpmath=387")
