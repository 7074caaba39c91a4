list(APPEND KESTREL_SOURCES
  link/frame.cpp
  link/serial_port.cpp
  link/session.cpp
  link/serial_engine.cpp
  link/link_api.cpp
  link/usb_transport.cpp
  link/usb_engine.cpp
  link/tcp_engine.cpp)
# The leading-DLE pause: Windows' sleep is too coarse (10 to 16 ms), so it spins there; POSIX
# sleeps most of it on the monotonic clock and spins only the tail.
if(WIN32)
  list(APPEND KESTREL_SOURCES link/serial_port_win32.cpp link/tcp_socket_win32.cpp link/pause_spin.cpp)
  list(APPEND KESTREL_LINK_LIBS ws2_32)
else()
  list(APPEND KESTREL_SOURCES link/serial_port_posix.cpp link/tcp_socket_posix.cpp link/pause_posix.cpp)
endif()

# libusb with the 0.1 API (libusb-compat on Linux, libusb-win32 on Windows): header usb.h.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(LIBUSB0 QUIET libusb)
endif()
if(LIBUSB0_FOUND)
  include_directories(${LIBUSB0_INCLUDE_DIRS})
  find_library(KESTREL_LIBUSB0 NAMES ${LIBUSB0_LIBRARIES} HINTS ${LIBUSB0_LIBRARY_DIRS} REQUIRED)
else()
  find_path(KESTREL_LIBUSB0_INCLUDE usb.h REQUIRED)
  find_library(KESTREL_LIBUSB0 NAMES usb libusb usb0 libusb0 REQUIRED)
  include_directories(${KESTREL_LIBUSB0_INCLUDE})
endif()
list(APPEND KESTREL_LINK_LIBS ${KESTREL_LIBUSB0})

# Linux: a udev rule that gives the logged-in user access to the USB reader.
if(UNIX AND NOT APPLE)
  set(KESTREL_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
      "Where cmake --install puts the udev rule for the USB reader (relative to the prefix, or absolute)")
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/../packaging/linux/70-kestrel-reader.rules
          DESTINATION ${KESTREL_UDEV_RULES_DIR} COMPONENT runtime)
endif()

# Link options of the shared library only (GNU ld and compatible linkers).
set(KESTREL_SHARED_LINK_OPTIONS)
if(UNIX AND NOT APPLE)
  list(APPEND KESTREL_SHARED_LINK_OPTIONS
       "LINKER:--version-script=${CMAKE_CURRENT_LIST_DIR}/usb_linker_symbols.map")
endif()
