# What `cmake --install` puts in place: the driver with its versioned name,
# the headers under include/sigra/, the programs, a pkg-config file and a
# CMake package, so that
#   pkg-config --cflags --libs sigradrv
#   find_package(sigradrv)  ->  target sigra::sigradrv
# both find the driver.
include(CMakePackageConfigHelpers)

# Each file belongs to a component, which the Debian packages follow (see
# SigraPackage.cmake): lib the driver, dev what building against it needs,
# tools sigractl and sigra-emu, app the operator program, service sigrad.
install(TARGETS sigradrv EXPORT sigradrvTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lib NAMELINK_COMPONENT dev
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lib)
install(FILES ${PROJECT_SOURCE_DIR}/include/sigra/sigradrv.h
              ${PROJECT_SOURCE_DIR}/include/sigra/sigradrv.hpp
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/sigra COMPONENT dev)
foreach(program sigra-emu sigractl)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
  endif()
endforeach()
if(TARGET sigrasw)
  install(TARGETS sigrasw RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT app)
endif()
if(TARGET sigrad)
  install(TARGETS sigrad RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT service)
endif()

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/sigradrv)
install(EXPORT sigradrvTargets NAMESPACE sigra:: DESTINATION ${package_dir} COMPONENT dev)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/sigradrvConfig.cmake
     "include(\"\${CMAKE_CURRENT_LIST_DIR}/sigradrvTargets.cmake\")\n")
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/sigradrvConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/sigradrvConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/sigradrvConfigVersion.cmake
        DESTINATION ${package_dir} COMPONENT dev)

# The prefix is taken from where the file lies, so a staged or moved install
# still points at itself.
file(RELATIVE_PATH pc_to_prefix /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/sigradrv.pc
     "prefix=\${pcfiledir}/${pc_to_prefix}\n"
     "libdir=\${prefix}/${CMAKE_INSTALL_LIBDIR}\n"
     "includedir=\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}\n"
     "\n"
     "Name: sigradrv\n"
     "Description: Sigra fiscal receipt printer driver\n"
     "Version: ${PROJECT_VERSION}\n"
     "Libs: -L\${libdir} -lsigradrv\n"
     "Cflags: -I\${includedir}\n")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/sigradrv.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
