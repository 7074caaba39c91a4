# Installs the library for integrators: libkestrel.so.1 with its versioned file (component
# runtime); the libkestrel.so link, the header, kestrel.pc and the CMake package (component dev).
set(KESTREL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kestrel)

install(TARGETS kestrel EXPORT kestrelTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/include/kestrel.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/include/kestrel/reader.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kestrel
        COMPONENT dev)

# CMake: find_package(kestrel) gives the imported target kestrel::kestrel.
include(CMakePackageConfigHelpers)
install(EXPORT kestrelTargets NAMESPACE kestrel:: DESTINATION ${KESTREL_CMAKE_DIR} COMPONENT dev)
file(WRITE ${PROJECT_BINARY_DIR}/packaging/kestrelConfig.cmake
     "include(\${CMAKE_CURRENT_LIST_DIR}/kestrelTargets.cmake)\n")
write_basic_package_version_file(${PROJECT_BINARY_DIR}/packaging/kestrelConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/packaging/kestrelConfig.cmake
              ${PROJECT_BINARY_DIR}/packaging/kestrelConfigVersion.cmake
        DESTINATION ${KESTREL_CMAKE_DIR} COMPONENT dev)

# pkg-config: the prefix is the one installed to (cmake --install --prefix, or /usr in the
# packages), so it is written at install time.
configure_file(${CMAKE_CURRENT_LIST_DIR}/kestrel.pc.in ${PROJECT_BINARY_DIR}/packaging/kestrel.pc.in @ONLY)
install(CODE "
  file(READ \"${PROJECT_BINARY_DIR}/packaging/kestrel.pc.in\" pc)
  string(REPLACE \"%PREFIX%\" \"\${CMAKE_INSTALL_PREFIX}\" pc \"\${pc}\")
  file(WRITE \"${PROJECT_BINARY_DIR}/packaging/pc/kestrel.pc\" \"\${pc}\")
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig\" TYPE FILE
       FILES \"${PROJECT_BINARY_DIR}/packaging/pc/kestrel.pc\")
" COMPONENT dev)
