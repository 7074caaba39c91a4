# Cross-build for i686 Windows with Debian's mingw-w64 (the -posix thread model).
#   cmake -S . -B build-win-i686 --toolchain cmake/mingw-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KESTREL_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
