# Cross build for 64-bit Windows with the mingw-w64 tool chain
# (x86_64-w64-mingw32): the same sources as the 32-bit build, for machines
# whose Wine can only run 64-bit programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
