# Linux on 32-bit x86, with this machine's compilers in 32-bit mode (Debian
# g++-multilib): i686 code for the x87 alone, so that it runs on processors
# without SSE, such as the Athlons that have 3DNow!.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_FLAGS_INIT "-m32 -march=i686 -mno-sse -mfpmath=387")
set(CMAKE_CXX_FLAGS_INIT ${CMAKE_C_FLAGS_INIT})
