# What the Windows build adds to the Linux one.

# The modules carry resources (the diameter pictures).
enable_language(RC)
#
# Exceptions cross module boundaries (engine library -> Tarvik library -> host)
# and are caught by class: every module links the one shared libgcc (its
# unwinder) and the one shared libstdc++, which ship beside the modules with
# the thread library they need.
add_link_options(-shared-libgcc)
set(TARVIK_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_dw2-1.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(IS_ABSOLUTE "${path}" AND EXISTS "${path}")
    get_filename_component(path "${path}" REALPATH)
    list(APPEND TARVIK_RUNTIME_DLLS ${path})
  endif()
endforeach()
file(COPY ${TARVIK_RUNTIME_DLLS} DESTINATION ${CMAKE_BINARY_DIR}/bin)

# The system's declarations without the rarely used parts, and without the
# min and max macros that would hide std::min and std::max; localtime_r as on
# POSIX.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _POSIX_THREAD_SAFE_FUNCTIONS)

# GoogleTest from Debian's source package, built with this toolchain.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# Its own build names the targets GTest::gtest and GTest::gtest_main.
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Its sources take <chrono>, whose "µs" GBK has no character for.
target_compile_options(gtest PRIVATE -fexec-charset=UTF-8)
target_compile_options(gtest_main PRIVATE -fexec-charset=UTF-8)

# The tools' JSON reader is header-only: its headers come from the Linux
# package, copied apart from the Linux headers beside them.
file(COPY /usr/include/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/nlohmann-json)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
                      INTERFACE_INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/nlohmann-json)
