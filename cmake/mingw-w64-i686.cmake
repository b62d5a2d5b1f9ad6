# The 32-bit Windows build: the library as it ships.
set(TARVIK_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
