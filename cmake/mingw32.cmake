# Cross build for 32-bit Windows with the mingw-w64 tool chain
# (i686-w64-mingw32). Programs come out as PE executables that import only
# system DLLs: the C and C++ run-time support of the compiler is linked in.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# SSE2 for double arithmetic everywhere, as on every other x86 build.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
