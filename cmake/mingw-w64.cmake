# Cross-compiling for Windows with Debian's mingw-w64 toolchain. The
# architecture comes from the file that includes this one (i686 by default).
# The posix thread model: std::thread and std::mutex work with it.
if(NOT TARVIK_MINGW_ARCH)
  set(TARVIK_MINGW_ARCH i686)
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TARVIK_MINGW_ARCH})
set(triple ${TARVIK_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# zlib goes into the Tarvik library itself rather than beside it.
set(ZLIB_USE_STATIC_LIBS ON)
