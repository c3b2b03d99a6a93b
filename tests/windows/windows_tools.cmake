# The tools that let the Windows side be built and run on Linux: the MinGW-w64 cross compilers
# and Wine. Where one is missing, the tests that need it report themselves skipped (exit code 77,
# CTest's SKIP_RETURN_CODE) instead of passing.
#
# Provides:
#   MINGW_CXX, MINGW_CC    the cross compilers, or empty
#   WINE                   the Wine loader, or empty
#   WINE_TEST_ENVIRONMENT  the environment of every test that runs a Windows program
#   fixture "wine_prefix"  makes the Wine prefix once, before the first test that needs it
#   WINDOWS_SKIP_CODE      the exit code of a skipped test

find_program(MINGW_CXX NAMES x86_64-w64-mingw32-g++-win32 x86_64-w64-mingw32-g++)
find_program(MINGW_CC NAMES x86_64-w64-mingw32-gcc-win32 x86_64-w64-mingw32-gcc)
find_program(WINE NAMES wine wine64 wine-stable)
foreach(tool MINGW_CXX MINGW_CC WINE)
    if(NOT ${tool})
        set(${tool} "")
    endif()
endforeach()

set(WINDOWS_SKIP_CODE 77)
set(WINE_PREFIX_DIR ${CMAKE_BINARY_DIR}/wine-prefix)
# No debug chatter, and no offer to install Mono or Gecko, which would wait for an answer. Wine
# takes the code page of file names and arguments from the locale: without a UTF-8 one it mangles
# every letter outside ASCII.
set(WINE_TEST_ENVIRONMENT
    "LC_ALL=C.UTF-8"
    "WINEPREFIX=${WINE_PREFIX_DIR}"
    "WINEDEBUG=-all"
    "WINEDLLOVERRIDES=mscoree,mshtml="
    "WINE=${WINE}")

# Making a prefix takes several seconds; it is done once and shared by every Wine test.
register_test(wine_prefix_setup
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/make_wine_prefix.sh "${WINE}" ${WINE_PREFIX_DIR}
    SETS_UP wine_prefix
    ENVIRONMENT ${WINE_TEST_ENVIRONMENT}
    SKIP_CODE ${WINDOWS_SKIP_CODE})
