# The same sources for 64-bit Windows, for running under a Wine that cannot run
# 32-bit programs (a kernel without 32-bit support).
set(TARVIK_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
