list(APPEND KESTREL_SOURCES
  link/frame.cpp
  link/serial_port.cpp
  link/session.cpp
  link/serial_engine.cpp
  link/link_api.cpp
  link/usb_engine.cpp)
if(WIN32)
  list(APPEND KESTREL_SOURCES link/serial_port_win32.cpp)
else()
  list(APPEND KESTREL_SOURCES link/serial_port_posix.cpp)
endif()
