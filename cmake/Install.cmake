# cmake --install: the Tarvik library with the engine library and its template
# model beside it, the host header with the headers it includes, the tools,
# and a CMake package for hosts (find_package(Tarvik)). On Windows every
# module lands in bin/, where modules find the DLLs they need, with the
# compiler's run-time DLLs; `cpack` zips that tree.
include(GNUInstallDirs)
if(WIN32)
  set(TARVIK_MODULE_DIR ${CMAKE_INSTALL_BINDIR})
else()
  set(TARVIK_MODULE_DIR ${CMAKE_INSTALL_LIBDIR})
  set_target_properties(Tarvik KivEngine rtl PROPERTIES INSTALL_RPATH "$ORIGIN")
  set_target_properties(tarvik-host ratebq-build winreg PROPERTIES
                        INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  install(TARGETS winreg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# Hosts link the class library (import libraries on Windows) and load the
# Tarvik library and the engine at run time.
install(TARGETS rtl winport
        RUNTIME DESTINATION ${TARVIK_MODULE_DIR} LIBRARY DESTINATION ${TARVIK_MODULE_DIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS Tarvik KivEngine
        RUNTIME DESTINATION ${TARVIK_MODULE_DIR} LIBRARY DESTINATION ${TARVIK_MODULE_DIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} EXCLUDE_FROM_ALL)
install(FILES "${CMAKE_BINARY_DIR}/bin/预算综合单价库.Kiv" DESTINATION ${TARVIK_MODULE_DIR})
install(TARGETS tarvik-host ratebq-build RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The programs find the modules beside themselves, or else here.
file(RELATIVE_PATH modules_from_programs /${CMAKE_INSTALL_BINDIR} /${TARVIK_MODULE_DIR})
foreach(program tarvik-host ratebq-build)
  target_compile_definitions(${program} PRIVATE TARVIK_MODULES_FROM_PROGRAMS="${modules_from_programs}")
endforeach()
if(WIN32)
  install(FILES ${TARVIK_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
foreach(dir RateIntf archive platform rtl winport)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/${dir} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tarvik
          FILES_MATCHING PATTERN "*.h")
endforeach()

set(TARVIK_LIBRARY_FILE $<TARGET_FILE_NAME:Tarvik>)
set(TARVIK_RTL_FILE $<TARGET_FILE_NAME:rtl>)
set(TARVIK_WINPORT_FILE $<TARGET_FILE_NAME:winport>)
set(TARVIK_RTL_IMPLIB $<$<BOOL:${WIN32}>:$<TARGET_LINKER_FILE_NAME:rtl>>)
set(TARVIK_WINPORT_IMPLIB $<$<BOOL:${WIN32}>:$<TARGET_LINKER_FILE_NAME:winport>>)
configure_file(${CMAKE_SOURCE_DIR}/cmake/TarvikConfig.cmake.in ${CMAKE_BINARY_DIR}/TarvikConfig.cmake.gen @ONLY)
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/TarvikConfig.cmake INPUT ${CMAKE_BINARY_DIR}/TarvikConfig.cmake.gen)
install(FILES ${CMAKE_BINARY_DIR}/TarvikConfig.cmake DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Tarvik)

set(CPACK_PACKAGE_NAME Tarvik)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_GENERATOR ZIP)
set(CPACK_STRIP_FILES ON)
set(CPACK_SYSTEM_NAME ${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
include(CPack)
