# Cross-build for x86_64 Windows with Debian's mingw-w64 (the -posix thread model).
#   cmake -S . -B build-win-x86_64 --toolchain cmake/mingw-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KESTREL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
