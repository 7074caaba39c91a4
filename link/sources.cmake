list(APPEND KESTREL_SOURCES
  link/frame.cpp
  link/uri.cpp
  link/session.cpp
  link/serial_engine.cpp
  link/link_api.cpp
  link/usb_transport.cpp
  link/usb_engine.cpp
  link/tcp_engine.cpp)
# The leading-DLE pause: Windows' sleep is too coarse (10 to 16 ms), so it spins there; POSIX
# sleeps most of it on the monotonic clock and spins only the tail.
if(WIN32)
  # libusb-win32's libusb0.dll is loaded at run time, so nothing is linked for USB.
  list(APPEND KESTREL_SOURCES link/serial_port_win32.cpp link/tcp_socket_win32.cpp link/pause_spin.cpp link/cancel_win32.cpp
       link/libusb0_win32.cpp)
  list(APPEND KESTREL_LINK_LIBS ws2_32)
else()
  list(APPEND KESTREL_SOURCES link/serial_port_posix.cpp link/tcp_socket_posix.cpp link/pause_posix.cpp
       link/cancel_posix.cpp link/libusb0_linked.cpp)

  # libusb with the 0.1 API (libusb-compat): header usb.h.
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(LIBUSB0 QUIET libusb)
  endif()
  if(LIBUSB0_FOUND)
    include_directories(${LIBUSB0_INCLUDE_DIRS})
    find_library(KESTREL_LIBUSB0 NAMES ${LIBUSB0_LIBRARIES} HINTS ${LIBUSB0_LIBRARY_DIRS} REQUIRED)
  else()
    find_path(KESTREL_LIBUSB0_INCLUDE usb.h REQUIRED)
    find_library(KESTREL_LIBUSB0 NAMES usb libusb REQUIRED)
    include_directories(${KESTREL_LIBUSB0_INCLUDE})
  endif()
  list(APPEND KESTREL_LINK_LIBS ${KESTREL_LIBUSB0})
endif()

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
elseif(MINGW)
  # Exports by the undecorated names and ordinals of kestrel.def (no "@N" of __stdcall on
  # i686), and the C and C++ runtimes linked in, so the DLL needs no runtime DLLs.
  list(APPEND KESTREL_SHARED_LINK_OPTIONS "LINKER:--kill-at" "LINKER:--enable-stdcall-fixup" -static -static-libgcc
       -static-libstdc++)
endif()
