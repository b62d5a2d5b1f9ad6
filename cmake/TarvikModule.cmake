# Folders whose units differ between the two variants are built once per
# variant: TARVIK_VARIANT is empty for the current variant and "_older" for
# the older one (cmake/older), and such folders name their targets and the
# targets they link with ${TARVIK_VARIANT} appended. A target keeps its plain
# file name; the older variant's outputs land in a folder of their own.

# tarvik_sources(VAR DIR [CURRENT_ONLY files...] [OLDER_ONLY files...]): the
# .cpp files of one folder that this platform and this variant build.
# Globbing keeps each folder's unit list in the folder itself. Where a unit
# differs by platform, its platform part is a file of its own: Name_posix.cpp
# or Name_windows.cpp.
function(tarvik_sources var dir)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "CURRENT_ONLY;OLDER_ONLY")
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(WIN32)
    list(FILTER srcs EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER srcs EXCLUDE REGEX "_windows\\.cpp$")
  endif()
  if(TARVIK_VARIANT)
    set(other ${arg_CURRENT_ONLY})
  else()
    set(other ${arg_OLDER_ONLY})
  endif()
  foreach(file ${other})
    list(REMOVE_ITEM srcs ${dir}/${file})
  endforeach()
  set(${var} ${srcs} PARENT_SCOPE)
endfunction()

# The target's file name without the variant's suffix.
function(tarvik_plain_output_name target)
  if(TARVIK_VARIANT)
    string(REGEX REPLACE "${TARVIK_VARIANT}$" "" plain ${target})
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${plain})
  endif()
endfunction()

# tarvik_library(NAME STATIC|SHARED LIBS... [CURRENT_ONLY files...]
# [OLDER_ONLY files...]): a library of the calling folder's units; a folder
# that has no units yet makes no target.
function(tarvik_library name kind)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "CURRENT_ONLY;OLDER_ONLY")
  tarvik_sources(srcs ${CMAKE_CURRENT_SOURCE_DIR} CURRENT_ONLY ${arg_CURRENT_ONLY} OLDER_ONLY ${arg_OLDER_ONLY})
  if(srcs)
    add_library(${name} ${kind} ${srcs})
    target_link_libraries(${name} PUBLIC ${arg_UNPARSED_ARGUMENTS})
    tarvik_plain_output_name(${name})
  endif()
endfunction()

# tarvik_test(NAME LIBS... [CURRENT_ONLY files...] [OLDER_ONLY files...]): one
# GoogleTest program of the calling folder. It finds this variant's library
# and engine in TARVIK_BIN and the programs in TARVIK_PROGRAMS.
function(tarvik_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "CURRENT_ONLY;OLDER_ONLY")
  tarvik_sources(srcs ${CMAKE_CURRENT_SOURCE_DIR} CURRENT_ONLY ${arg_CURRENT_ONLY} OLDER_ONLY ${arg_OLDER_ONLY})
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${arg_UNPARSED_ARGUMENTS} testsupport GTest::gtest GTest::gtest_main pthread)
  tarvik_plain_output_name(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT
                       "TARVIK_BIN=${CMAKE_RUNTIME_OUTPUT_DIRECTORY};TARVIK_PROGRAMS=${CMAKE_BINARY_DIR}/bin;TARVIK_SOURCE=${CMAKE_SOURCE_DIR}")
endfunction()
