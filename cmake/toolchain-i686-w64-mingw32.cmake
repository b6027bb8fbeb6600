# Cross build for 32-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-i686-posix).
# Built only: running its tests would need the i386 Wine of a multiarch system.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(RANGWERK_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
