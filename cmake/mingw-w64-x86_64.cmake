# Cross build for 64-bit Windows with Debian's MinGW-w64 compiler (the posix
# thread model, which std::thread needs). The programs are linked statically, so
# they need no MinGW DLLs beside them, and run under wine through CTest.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Every program of the build runs under wine on a prefix of its own in the build
# folder (made at configure time, see windows-tests.cmake), quietly and without
# the prompts for Mono and Gecko, which the tests do not need.
find_program(BRENNIC_WINE wine REQUIRED)
set(BRENNIC_WINE_ENVIRONMENT /usr/bin/env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all
                             WINEDLLOVERRIDES=mscoree,mshtml=)
set(CMAKE_CROSSCOMPILING_EMULATOR ${BRENNIC_WINE_ENVIRONMENT} ${BRENNIC_WINE})
