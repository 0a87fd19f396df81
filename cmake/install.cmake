# Installation: the shared library with its headers, the tool with its manual page, a CMake
# package (find_package(quenvar) gives quenvar::quenvar) and a pkg-config file. The tool finds
# the library beside it through a relative run path, in the build tree and once installed.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(quenvar PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
target_include_directories(quenvar INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(TARGETS quenvar EXPORT quenvarTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${CMAKE_SOURCE_DIR}/include/quenvar.h ${CMAKE_SOURCE_DIR}/include/quenvar_check.hpp
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

if(TARGET quenvar_cli)
  file(RELATIVE_PATH QUENVAR_BIN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  # One run path for the build tree and the installation: the library beside the installed
  # tool's bin folder, else beside the tool itself as in the build tree. Rewriting the path at
  # install time would pad it with empty entries, which the loader reads as the current
  # directory.
  set_target_properties(quenvar_cli PROPERTIES BUILD_WITH_INSTALL_RPATH ON
                        INSTALL_RPATH "$ORIGIN/${QUENVAR_BIN_TO_LIB}:$ORIGIN")
  install(TARGETS quenvar_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/man/quenvar.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(QUENVAR_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/quenvar)
install(EXPORT quenvarTargets NAMESPACE quenvar:: DESTINATION ${QUENVAR_CMAKE_DIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/quenvarConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/quenvarConfig.cmake INSTALL_DESTINATION ${QUENVAR_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/quenvarConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/quenvarConfig.cmake ${CMAKE_BINARY_DIR}/quenvarConfigVersion.cmake
        DESTINATION ${QUENVAR_CMAKE_DIR})

# The pkg-config file finds the prefix from where it lies, so the tree can be installed anywhere.
file(RELATIVE_PATH QUENVAR_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
configure_file(${CMAKE_SOURCE_DIR}/cmake/quenvar.pc.in ${CMAKE_BINARY_DIR}/quenvar.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/quenvar.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
