# How the tests run this build's programs, decided when the build is
# configured: natively, under Wine for Windows, or under QEMU's user-mode
# model of a processor, watched or not for instructions a K6-2 lacks.
# statbench_add_run registers every such run, tests/ and bench/ alike; what
# cannot run here is registered as a test that reports itself skipped, its
# reason in its labels, and listed when the configure ends
# (statbench_report_test_plan). With STATBENCH_REQUIRE_ALL_TESTS, which CI
# sets, a test missing for want of a tool fails the configure instead.
option(STATBENCH_REQUIRE_ALL_TESTS
  "Fail the configure when a test cannot run here for want of a tool (CI sets it)" OFF)
find_program(BASH bash REQUIRED)
set(statbench_tests ${PROJECT_SOURCE_DIR}/tests)

# Why PROGRAM cannot be had, in VAR; empty when it is found.
function(statbench_find var program package)
  find_program(found ${program} NO_CACHE NO_DEFAULT_PATH PATHS ENV PATH)
  if(found)
    set(${var} "" PARENT_SCOPE)
  else()
    set(${var} "${program} not found, install the Debian package ${package}" PARENT_SCOPE)
  endif()
endfunction()

# ---- Natively --------------------------------------------------------------
# statbench_runner: what runs a program of this build here (empty: itself).
# statbench_cannot_run: why nothing does. statbench_not_native: set where
# the runner is an emulator, which stands between the program and what only
# a native run shows (its stack, its page faults, the root it sees).
set(statbench_runner)
set(statbench_cannot_run)
set(statbench_not_native)
if(NOT WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  # Not every x86-64 machine runs 32-bit code; where this one does not, the
  # programs run on an emulated Pentium III, a processor of their kind
  # without 3DNow!, as this machine is.
  set(tiny_dir ${PROJECT_BINARY_DIR}/tests/tiny_program)
  file(WRITE ${tiny_dir}/returns_zero.cpp "int main() { return 0; }\n")
  try_compile(built ${tiny_dir} SOURCES ${tiny_dir}/returns_zero.cpp COPY_FILE ${tiny_dir}/returns_zero)
  execute_process(COMMAND ${tiny_dir}/returns_zero RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(NOT status EQUAL 0)
    statbench_find(why qemu-i386 qemu-user)
    if(why)
      set(statbench_cannot_run "this machine cannot run 32-bit x86 code natively (${status}), and ${why}")
    else()
      set(statbench_runner qemu-i386 -cpu pentium3)
      string(CONCAT statbench_not_native "this machine runs 32-bit x86 code only under qemu-i386, "
        "which gives the program a stack, page faults and a root of its own")
    endif()
  endif()
endif()

# ---- Under QEMU --------------------------------------------------------------
# The processors each build runs on, emulated: with 3DNow!, and for 32-bit
# the i586s and one without SSE, where any SSE instruction stops the run.
# Always named: QEMU's default 32-bit model reports 3DNow!. The watched ones
# run the report under k6_watch.sh: QEMU stops on CMOV, FCOMI and SSE where
# its model lacks them, but runs the hint NOPs (ENDBR32, NOPL) on any.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(statbench_qemu qemu-x86_64)
  set(statbench_cpus phenom)
  set(statbench_3dnow_cpus phenom)
  set(statbench_watched_cpus)
elseif(WIN32)
  # Wine's own 32-bit msvcrt needs SSE: no Pentium or K6-2 here; the two
  # processors have what a K6-2 lacks, so the watch sees it run.
  set(statbench_qemu qemu-i386)
  set(statbench_cpus athlon pentium3)
  set(statbench_3dnow_cpus athlon)
  set(statbench_watched_cpus athlon pentium3)
else()
  set(statbench_qemu qemu-i386)
  set(statbench_cpus pentium2 athlon pentium k6_2)
  set(statbench_3dnow_cpus athlon k6_2)
  # A position-independent program's load address is not known before the
  # run, so only the static one is watched.
  set(statbench_watched_cpus)
  if(STATBENCH_STATIC_PROGRAM)
    set(statbench_watched_cpus pentium k6_2)
  endif()
endif()
# QEMU's Pentium with MMX and 3DNow!, and a K6-2's CPUID: family 5, model 8.
set(statbench_k6_2_model pentium,+mmx,+3dnow,vendor=AuthenticAMD,family=5,model=8,stepping=12)
statbench_find(statbench_cannot_emulate ${statbench_qemu} qemu-user)
set(statbench_emulated_env)
set(statbench_wine_tail)

# ---- Under Wine --------------------------------------------------------------
# The 32-bit Wine runs natively where the machine executes 32-bit x86 code
# and inside qemu-i386 where it does not; it then needs a prefix made by the
# 64-bit Wine (tests/wine_prefix.sh) and a preloaded library for QEMU's
# mapping behaviour (tests/qemu_mmap_fix.c, built for this machine in 32-bit
# mode). Wine re-executes its loader, which would leave the emulator:
# WINELOADERNOEXEC keeps it inside.
if(WIN32)
  set(wine64 /usr/lib/wine/wine64)
  set(statbench_wine_prefix ${PROJECT_BINARY_DIR}/tests/wine)
  set(wine_env WINEPREFIX=${statbench_wine_prefix} WINEDEBUG=-all)
  set(statbench_emulated_env ${wine_env} WINELOADERNOEXEC=1)
  set(wine ${wine64})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(wine /usr/lib/wine/wine)
  endif()
  set(statbench_wine_tail ${wine})
  if(NOT EXISTS ${wine64})
    set(statbench_cannot_run "${wine64} not found, install the Debian package wine64")
  elseif(NOT EXISTS ${wine})
    set(statbench_cannot_run "${wine} not found, install the Debian package wine32:i386")
  endif()
  set(statbench_runner env ${wine_env} ${wine})
  if(statbench_cannot_run)
    set(statbench_cannot_emulate ${statbench_cannot_run})
  elseif(CMAKE_SIZEOF_VOID_P EQUAL 4)
    option(STATBENCH_WINE32_UNDER_QEMU
      "Run the 32-bit Wine inside qemu-i386 even where this machine runs 32-bit x86 code" OFF)
    find_program(STATBENCH_HOST_CC NAMES gcc cc)
    if(NOT STATBENCH_HOST_CC AND NOT statbench_cannot_emulate)
      set(statbench_cannot_emulate "no C compiler for this machine, install the Debian package gcc")
    endif()
    if(NOT statbench_cannot_emulate)
      set(mmap_fix ${PROJECT_BINARY_DIR}/tests/qemu_mmap_fix.so)
      add_custom_command(OUTPUT ${mmap_fix}
        COMMAND ${STATBENCH_HOST_CC} -m32 -O2 -shared -fPIC -Wall -Wextra -Wpedantic -Werror
                -o ${mmap_fix} ${statbench_tests}/qemu_mmap_fix.c -ldl
        DEPENDS ${statbench_tests}/qemu_mmap_fix.c
        COMMENT "Building the QEMU mapping fix for the 32-bit Wine")
      add_custom_target(statbench_qemu_mmap_fix ALL DEPENDS ${mmap_fix})
      set(statbench_wine_tail -E LD_PRELOAD=${mmap_fix} ${wine})
    endif()
    execute_process(COMMAND ${wine} --version RESULT_VARIABLE native OUTPUT_QUIET ERROR_QUIET)
    if(STATBENCH_WINE32_UNDER_QEMU OR NOT native EQUAL 0)
      if(statbench_cannot_emulate)
        set(statbench_cannot_run
          "this machine cannot run 32-bit x86 code natively, and ${statbench_cannot_emulate}")
      else()
        set(statbench_runner env ${statbench_emulated_env} ${statbench_qemu} -cpu pentium3
          ${statbench_wine_tail})
        set(statbench_not_native "the 32-bit Wine runs inside qemu-i386 here")
      endif()
    endif()
    if(NOT statbench_cannot_run)
      add_custom_command(OUTPUT ${statbench_wine_prefix}/system.reg
        COMMAND ${BASH} ${statbench_tests}/wine_prefix.sh ${wine64} ${statbench_wine_prefix}
        DEPENDS ${statbench_tests}/wine_prefix.sh
        COMMENT "Making the Wine prefix for the 32-bit tests")
      add_custom_target(statbench_wine_prefix ALL DEPENDS ${statbench_wine_prefix}/system.reg)
    endif()
  endif()
endif()

# ---- Watched for instructions a K6-2 lacks -----------------------------------
# The 32-bit programs are for every processor from the Pentium up, the K6-2
# among them. Its judge is binutils' own table (as -march=k6_2): on the
# disassembly, and on what QEMU logs as executed (k6_watch.sh).
set(statbench_k6_allowlist ${statbench_tests}/k6_allowlist.txt)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # binutils' spelling of the instructions, which the judge reads back, and
  # of demangled names, which the allowlist holds, whichever compiler drove
  # the link.
  set(k6_objdump ${CMAKE_OBJDUMP})
  set(k6_nm ${CMAKE_NM})
  if(NOT WIN32)
    find_program(STATBENCH_GNU_OBJDUMP objdump REQUIRED)
    find_program(STATBENCH_GNU_NM nm REQUIRED)
    set(k6_objdump ${STATBENCH_GNU_OBJDUMP})
    set(k6_nm ${STATBENCH_GNU_NM})
  endif()
  find_program(STATBENCH_GNU_AS as REQUIRED)
  set(statbench_k6_tools ${k6_objdump} ${k6_nm} ${STATBENCH_GNU_AS})
  set(statbench_k6_watch ${BASH} ${statbench_tests}/k6_watch.sh ${statbench_k6_tools}
    $<TARGET_FILE:statbench> $<TARGET_FILE:statbench>.debug ${statbench_k6_allowlist} --)
endif()

# ---- Registering ---------------------------------------------------------------
# A stand-in for a test that cannot run here: it reports itself skipped,
# with REASON, which CTest's summary shows among its labels. BY_DESIGN: no
# machine runs it in this build, or only a native run shows what it checks;
# otherwise a tool is missing.
function(statbench_add_skipped name)
  cmake_parse_arguments(PARSE_ARGV 1 arg BY_DESIGN REASON LABELS)
  add_test(NAME ${name} COMMAND ${BASH} -c "echo \"SKIPPED: $1\"; exit 77" skip "${arg_REASON}")
  string(REPLACE ";" "," reason "SKIPPED: ${arg_REASON}")
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 LABELS "${arg_LABELS};${reason}")
  set(kind missing)
  if(arg_BY_DESIGN)
    set(kind by_design)
  endif()
  string(MD5 key "${arg_REASON}")
  set_property(GLOBAL APPEND PROPERTY statbench_skipped_${kind} ${key})
  set_property(GLOBAL PROPERTY statbench_reason_${key} "${arg_REASON}")
  set_property(GLOBAL APPEND PROPERTY statbench_skipped_${key} ${name})
endfunction()

function(statbench_count_test)
  foreach(label IN ITEMS all LISTS ARGN)
    set_property(GLOBAL APPEND PROPERTY statbench_label_${label} x)
  endforeach()
endfunction()

# A test that runs nothing: it reads the programs, the sources or the docs.
function(statbench_add_check name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" TIMEOUT "LABELS;COMMAND")
  add_test(NAME ${name} COMMAND ${arg_COMMAND})
  set(timeout 120)
  if(arg_TIMEOUT)
    set(timeout ${arg_TIMEOUT})
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${arg_LABELS}" TIMEOUT ${timeout})
  statbench_count_test(${arg_LABELS})
endfunction()

# statbench_add_run(NAME [CPU cpu [3DNOW] [WATCHED]] [NATIVE] [TIMEOUT s]
#                   [ENVIRONMENT var=value...] LABELS kind... COMMAND word...)
# A test that runs a program of this build: the word @launcher@ of COMMAND
# becomes what runs it here, or with CPU what runs it on QEMU's model of that
# processor (3DNOW: one with 3DNow!, which the unit tests must then find),
# WATCHED by k6_watch.sh. NATIVE: only a run on this machine's processor
# shows what the test checks. Labels follow: emulated (a processor model of
# its own), wine, k6.
function(statbench_add_run name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "3DNOW;WATCHED;NATIVE" "CPU;TIMEOUT"
    "ENVIRONMENT;LABELS;COMMAND")
  set(labels ${arg_LABELS})
  set(environment ${arg_ENVIRONMENT})
  set(timeout 120)
  set(launcher ${statbench_runner})
  set(cannot ${statbench_cannot_run})
  if(statbench_runner MATCHES "qemu")
    set(timeout 300)
  endif()
  if(arg_CPU)
    set(model ${arg_CPU})
    if(model STREQUAL "k6_2")
      set(model ${statbench_k6_2_model})
    endif()
    set(launcher ${statbench_qemu} -cpu ${model} ${statbench_wine_tail})
    set(cannot ${statbench_cannot_emulate})
    if(arg_WATCHED)
      list(PREPEND launcher ${statbench_k6_watch})
      list(APPEND labels k6)
    endif()
    if(WIN32)
      list(PREPEND launcher env ${statbench_emulated_env})
    endif()
    list(APPEND labels emulated)
    set(timeout 600)
  endif()
  if(arg_CPU OR statbench_runner MATCHES "qemu")
    # Emulated, the property tests take a quarter of their buffers.
    list(APPEND environment STATBENCH_PROPERTY_BUFFERS=250)
  endif()
  if(arg_3DNOW)
    # There a probe answering 0 is a fault, not a reason to skip.
    list(APPEND environment STATBENCH_EXPECT_3DNOW=1)
  endif()
  if(WIN32)
    list(APPEND labels wine)
  endif()
  list(REMOVE_DUPLICATES labels)
  if(arg_TIMEOUT)
    set(timeout ${arg_TIMEOUT})
  endif()
  if(cannot)
    statbench_add_skipped(${name} REASON "${cannot}" LABELS ${labels})
    return()
  elseif(arg_NATIVE AND statbench_not_native)
    statbench_add_skipped(${name} BY_DESIGN REASON "${statbench_not_native}" LABELS ${labels})
    return()
  endif()
  set(command)
  foreach(word IN LISTS arg_COMMAND)
    if(word STREQUAL "@launcher@")
      list(APPEND command ${launcher})
    else()
      list(APPEND command ${word})
    endif()
  endforeach()
  add_test(NAME ${name} COMMAND ${command})
  set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT ${timeout}
    SKIP_RETURN_CODE 77 ENVIRONMENT "${environment}")
  if(WIN32)
    # The Wine services, started once for all the runs (tests/wine_server.sh).
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
  statbench_count_test(${labels})
endfunction()

# What will run and what will not, and why, at the end of the configure.
function(statbench_report_test_plan)
  set(counts)
  foreach(label all unit e2e emulated wine k6 inspect docs bench)
    get_property(tests GLOBAL PROPERTY statbench_label_${label})
    list(LENGTH tests n_${label})
    if(n_${label} AND NOT label STREQUAL "all")
      list(APPEND counts "${label} ${n_${label}}")
    endif()
  endforeach()
  list(JOIN counts ", " counts)
  set(how "natively")
  if(statbench_runner)
    list(JOIN statbench_runner " " how)
    set(how "through: ${how}")
  endif()
  message(STATUS "Tests that run here: ${n_all} (by label: ${counts}), and the unit tests listed "
    "when CTest runs them; the programs run ${how}")
  foreach(kind by_design missing)
    get_property(keys GLOBAL PROPERTY statbench_skipped_${kind})
    list(REMOVE_DUPLICATES keys)
    foreach(key IN LISTS keys)
      get_property(reason GLOBAL PROPERTY statbench_reason_${key})
      get_property(names GLOBAL PROPERTY statbench_skipped_${key})
      list(JOIN names ", " names)
      string(APPEND report_${kind} "\n  ${reason}: ${names}")
    endforeach()
  endforeach()
  if(report_by_design)
    message(STATUS "Tests skipped by design in this build:${report_by_design}")
  endif()
  if(report_missing AND STATBENCH_REQUIRE_ALL_TESTS)
    message(FATAL_ERROR "STATBENCH_REQUIRE_ALL_TESTS is on, and tests cannot run here:${report_missing}")
  elseif(report_missing)
    message(WARNING "Tests that cannot run here, reported as skipped:${report_missing}")
  endif()
endfunction()
