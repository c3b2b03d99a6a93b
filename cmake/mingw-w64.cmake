# Cross-builds the program for 64-bit Windows on Debian with MinGW-w64.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_PREFIX_PATH=<Qt>
#
# The compilers are the -posix flavour (POSIX threads, SEH): a Qt built with them, as Qt's own
# MinGW releases are, needs the same C++ runtime. tools/build-windows.sh does all of this.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

# Libraries and headers come from MinGW's own tree or from the Qt named in CMAKE_PREFIX_PATH,
# never from this Linux system; programs (moc, uic, rcc) are this system's.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# CTest runs the Windows test programs under Wine.
find_program(MINGW_WINE NAMES wine wine64)
if(MINGW_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${MINGW_WINE})
endif()
