# The program is shipped stripped: no symbol table, no debug information.
# Both go to a file beside it, statbench.debug or statbench.exe.debug, made
# right after the link, so that the program every test runs and every
# package holds is the stripped one.
#
# - ELF: the program names the file in its .gnu_debuglink section, where
#   gdb finds it.
# - PE: a section name longer than 8 characters needs the COFF string table,
#   which a stripped image would carry for it alone, and which no loader of
#   Windows 9x or NT 4.0 has been shown to accept. So the long names are
#   cut to 8 (.eh_frame becomes .eh_fram; the unwinder finds its tables by
#   symbol, not by name), and no debug link is added, as its name is long;
#   gdb takes the file with `symbol-file`.
if(WIN32)
  set(statbench_objcopy ${CMAKE_OBJCOPY})
  set(statbench_strip_options --strip-all --long-section-names=disable)
else()
  # The binutils objcopy, whose linker made the program, whichever compiler
  # drove it: llvm-objcopy 14 refuses a static glibc program ("Link field
  # value 39 in section .rela.plt is not a symbol table").
  find_program(STATBENCH_GNU_OBJCOPY objcopy REQUIRED)
  set(statbench_objcopy ${STATBENCH_GNU_OBJCOPY})
  set(statbench_strip_options --strip-all --add-gnu-debuglink=$<TARGET_FILE:statbench>.debug)
endif()
add_custom_command(TARGET statbench POST_BUILD
  COMMAND ${statbench_objcopy} --only-keep-debug $<TARGET_FILE:statbench> $<TARGET_FILE:statbench>.debug
  COMMAND ${statbench_objcopy} ${statbench_strip_options} $<TARGET_FILE:statbench>
  COMMENT "Moving the program's symbols and debug information to statbench.debug"
  VERBATIM)
