# Shared part of the MinGW-w64 toolchain files; RANGWERK_MINGW_TRIPLE names the target.
set(CMAKE_C_COMPILER ${RANGWERK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RANGWERK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${RANGWERK_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RANGWERK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime libraries of the compiler go into each program, so that Wine needs no DLLs from
# the compiler's folders.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run through Wine: 64-bit programs with wine64, 32-bit ones with wine, which
# needs the 32-bit half of Wine (wine32:i386).
if(RANGWERK_MINGW_TRIPLE STREQUAL "x86_64-w64-mingw32")
  find_program(RANGWERK_WINE NAMES wine64 wine)
else()
  find_program(RANGWERK_WINE NAMES wine)
endif()
if(RANGWERK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RANGWERK_WINE})
endif()
