# tarvik_sources(VAR DIR): the .cpp files of one folder. Globbing keeps each
# folder's unit list in the folder itself. Where a unit differs by platform,
# its platform part is a file of its own: Name_posix.cpp or Name_windows.cpp.
function(tarvik_sources var dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(WIN32)
    list(FILTER srcs EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER srcs EXCLUDE REGEX "_windows\\.cpp$")
  endif()
  set(${var} ${srcs} PARENT_SCOPE)
endfunction()

# tarvik_library(NAME STATIC|SHARED LIBS...): a library of the calling folder's
# units; a folder that has no units yet makes no target.
function(tarvik_library name kind)
  tarvik_sources(srcs ${CMAKE_CURRENT_SOURCE_DIR})
  if(srcs)
    add_library(${name} ${kind} ${srcs})
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()

# tarvik_test(NAME LIBS...): one GoogleTest program of the calling folder.
function(tarvik_test name)
  tarvik_sources(srcs ${CMAKE_CURRENT_SOURCE_DIR})
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${ARGN} testsupport GTest::gtest GTest::gtest_main pthread)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "TARVIK_BIN=${CMAKE_BINARY_DIR}/bin;TARVIK_SOURCE=${CMAKE_SOURCE_DIR}")
endfunction()
