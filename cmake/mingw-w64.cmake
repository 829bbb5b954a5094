# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-building the Qt-free core for 64-bit Windows with Debian's mingw-w64. The posix thread model
# of the compiler is the one whose libstdc++ has std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KELVANE_MINGW_TRIPLE x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${KELVANE_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${KELVANE_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${KELVANE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KELVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs carry their runtime (libgcc, libstdc++, winpthread), so they start without DLLs beside
# them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under wine when there is one.
find_program(KELVANE_WINE NAMES wine wine64)
if(KELVANE_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${KELVANE_WINE})
endif()
