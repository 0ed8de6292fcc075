# How the shipped Linux program is compiled and linked, so that its first
# timed pass pays only for what the Windows builds' passes pay for, and so
# that the packed program runs on any Linux with a recent enough C library.
#
# - main's frame (the four work buffers, 160 KB) is probed a page at a time
#   at entry, as the Windows compiler's ___chkstk_ms does: its pages are
#   committed before the first pass, not at their first touch inside it.
# - The C++ runtime and libgcc are linked in, as the Windows builds link
#   theirs, and every symbol is bound at load (BIND_NOW): no lazy binding on
#   the first call of a runtime function inside a pass, and no dependence on
#   the installed libstdc++.
# - Sections nothing calls are dropped, and with them the runtime's needs of
#   newer C library functions than the program uses (std::random_device's
#   arc4random, glibc 2.36).
# - The C library stays shared, so LD_PRELOAD still reaches the program (the
#   counter-failure and page-fault tests rely on it). Built on Debian 12, the
#   program needs glibc STATBENCH_GLIBC_FLOOR or newer (the unwinder's
#   _dl_find_object); a test checks it.
set(STATBENCH_GLIBC_FLOOR 2.35)

target_compile_options(statbench PRIVATE -fstack-clash-protection)
target_link_options(statbench PRIVATE
  -static-libstdc++ -static-libgcc LINKER:-z,now LINKER:--gc-sections)
