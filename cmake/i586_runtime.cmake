# The C and C++ runtime rebuilt for the i586, for the 32-bit toolchain files
# (mingw32.cmake, i586.cmake), which set statbench_runtime_target first.
#
# CMake reads a toolchain file again for every try_compile: the first read
# builds the runtime, or finds it in its cache (cmake/runtime/build_runtime.sh,
# about 6 min for MinGW and 11 for Linux on 2 cores, once); the later reads
# are handed its directory. -DSTATBENCH_I586_RUNTIME=<dir> names one built
# elsewhere.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES STATBENCH_I586_RUNTIME)
if(NOT STATBENCH_I586_RUNTIME)
  execute_process(
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/runtime/build_runtime.sh ${statbench_runtime_target}
    OUTPUT_VARIABLE output RESULT_VARIABLE failed OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(failed)
    message(FATAL_ERROR "The i586 runtime could not be built (cmake/runtime/build_runtime.sh "
      "${statbench_runtime_target}); see above")
  endif()
  string(REGEX REPLACE ".*\n" "" runtime "${output}")
  set(STATBENCH_I586_RUNTIME ${runtime} CACHE PATH "The C and C++ runtime built for the i586")
endif()
if(NOT EXISTS ${STATBENCH_I586_RUNTIME}/.complete)
  message(FATAL_ERROR "STATBENCH_I586_RUNTIME (${STATBENCH_I586_RUNTIME}) holds no complete runtime")
endif()

# i586 code, the x87 for floating point: no CMOV, no FCOMI, no SSE; tuned
# for the processors of today, not the Pentium.
set(statbench_i586_options "-march=i586 -mtune=generic -mno-sse -mfpmath=387")
