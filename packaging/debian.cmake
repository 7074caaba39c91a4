# Debian packages, built with `cpack -G DEB` from a build tree:
#   libkestrel1      the library and the udev rule for the USB reader   (component runtime)
#   libkestrel-dev   header, libkestrel.so, kestrel.pc, CMake package    (component dev)
#   kestrel-tools    readersim with its scenario and manual, plover      (component tools)
# dpkg-shlibdeps finds the shared libraries each package needs (libusb-0.1-4, Qt 6, ...).
set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VENDOR "kestrel")
set(CPACK_PACKAGE_CONTACT "kestrel maintainers <kestrel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Host software for the UHF RFID reader")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Install with DESTDIR, so that files written at install time (kestrel.pc) name /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev tools)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(kestrel_exact "${PROJECT_VERSION}")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libkestrel${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "UHF RFID reader library
 kestrel drives the UHF RFID reader over a serial port or USB through a flat C API: every
 function is one request/response exchange with the reader. This package holds the shared
 library and a udev rule that gives the user at the seat access to the USB reader.")
# A shlibs file and the ldconfig trigger for the package with the shared library.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libkestrel-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libkestrel${PROJECT_VERSION_MAJOR} (= ${kestrel_exact})")
set(CPACK_DEBIAN_DEV_DESCRIPTION "UHF RFID reader library: development files
 The C header, the libkestrel.so link, a pkg-config file (kestrel) and a CMake package
 (find_package(kestrel), target kestrel::kestrel).")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME kestrel-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
# plover loads the library at run time, and its screens are written in Chinese.
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "libkestrel${PROJECT_VERSION_MAJOR} (= ${kestrel_exact}), fonts-wqy-microhei")
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "UHF RFID reader console and simulator
 plover is the operator's console for the reader (Qt); readersim simulates the reader on a
 pseudo-terminal, with a default scenario of EPC, GB and GJB tags.")

include(CPack)
