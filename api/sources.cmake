list(APPEND KESTREL_SOURCES
  api/device.cpp
  api/rf.cpp
  api/epc.cpp
  api/gb.cpp
  api/gjb.cpp
  api/fd.cpp
  api/psam_fm151m.cpp
  api/network.cpp
  api/reader.cpp)
