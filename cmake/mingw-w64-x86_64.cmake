# Cross build for 64-bit Windows with Debian's MinGW-w64 compiler (the posix
# thread model, which std::thread needs). The programs are linked statically, so
# they need no MinGW DLLs beside them, and run under wine through CTest.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-qt.cmake)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Every program of the build runs under wine on a prefix of its own in the build
# folder (made at configure time, see windows-tests.cmake), quietly and without
# the prompts for Mono and Gecko, which the tests do not need.
find_program(BRENNIC_WINE wine REQUIRED)
set(BRENNIC_WINE_ENVIRONMENT /usr/bin/env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all
                             WINEDLLOVERRIDES=mscoree,mshtml=)
set(CMAKE_CROSSCOMPILING_EMULATOR ${BRENNIC_WINE_ENVIRONMENT} ${BRENNIC_WINE})
