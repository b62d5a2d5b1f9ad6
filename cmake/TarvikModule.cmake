# tarvik_sources(VAR DIR): the .cpp files of one folder. Globbing keeps each
# folder's unit list in the folder itself.
function(tarvik_sources var dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  set(${var} ${srcs} PARENT_SCOPE)
endfunction()

# tarvik_test(NAME DIR LIBS...): one GoogleTest program per test folder.
function(tarvik_test name dir)
  tarvik_sources(srcs ${dir})
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main pthread)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "TARVIK_BIN=${CMAKE_BINARY_DIR}/bin;TARVIK_SOURCE=${CMAKE_SOURCE_DIR}")
endfunction()
