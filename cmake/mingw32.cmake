# Windows on 32-bit x86, with MinGW-w64 (Debian g++-mingw-w64-i686): i686
# code for the x87 alone, so that it runs on processors without SSE, such as
# the Athlons that have 3DNow!.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_FLAGS_INIT "-march=i686 -mno-sse -mfpmath=387")
set(CMAKE_CXX_FLAGS_INIT ${CMAKE_C_FLAGS_INIT})
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
