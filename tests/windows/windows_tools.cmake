# What the tests of the Windows cross build need to run their Windows programs on Linux: Wine,
# CTest's emulator for every test program, with the environment that Qt programs need under it.
# The Linux build has no Windows tests (it has no Windows Qt); there only windows_path() is used,
# and it leaves paths as they are. Where Wine is missing, the tests that need it report themselves
# skipped (exit code 77, CTest's SKIP_RETURN_CODE) instead of passing.
#
# Provides:
#   WINE                     the Wine loader, or empty
#   WINE_TEST_ENVIRONMENT    the environment of every test that runs a Windows program
#   WINE_ROUNDING            its pinned scale rounding, which one test leaves out
#   WINE_DLL_FOLDER          a folder on every Wine test's PATH
#   fixture "wine_prefix"    makes the Wine prefix once, before the first test that needs it
#   WINDOWS_SKIP_CODE        the exit code of a skipped test
#   windows_path(VAR PATH)   PATH as a Windows program under Wine names it (itself elsewhere)

set(WINE "")
if(WIN32 AND CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR)
    set(WINE ${CMAKE_CROSSCOMPILING_EMULATOR})
endif()

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

# Wine shows the Linux file system as drive Z:; a Windows program reads "/tmp" as a folder of
# its current drive.
function(windows_path variable path)
    if(WIN32 AND CMAKE_CROSSCOMPILING)
        set(path "Z:${path}")
    endif()
    set(${variable} "${path}" PARENT_SCOPE)
endfunction()

if(WIN32 AND CMAKE_CROSSCOMPILING)
    # The test programs find the Qt DLLs and the compiler's runtime through WINEPATH, and Qt's
    # plugins (the offscreen platform among them) in this Qt's plugin folder. Wine hands no QT_*
    # variable to a Windows program, but it hands on each WINEQT_X as QT_X: the offscreen
    # platform; Qt Test's output on stderr, not on the debugger channel that CTest cannot read;
    # fonts for the offscreen platform, which looks in <Qt>/lib/fonts otherwise; and a rounding
    # of the scale that offscreen's 100 dpi would otherwise turn into a factor of 1.0417.
    get_target_property(qt_core_dll Qt5::Core IMPORTED_LOCATION_RELEASE)
    get_filename_component(qt_bin_folder ${qt_core_dll} DIRECTORY)
    get_filename_component(qt_plugin_folder ${qt_bin_folder}/../plugins ABSOLUTE)
    # One folder of links to every DLL they load, since a list of folders in WINEPATH would need
    # semicolons, which CMake's lists of variables cannot carry.
    set(WINE_DLL_FOLDER ${CMAKE_BINARY_DIR}/windows-dlls)
    file(GLOB qt_dlls ${qt_bin_folder}/*.dll)
    set(dlls ${qt_dlls})
    foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
            OUTPUT_VARIABLE dll OUTPUT_STRIP_TRAILING_WHITESPACE)
        list(APPEND dlls ${dll})
    endforeach()
    file(MAKE_DIRECTORY ${WINE_DLL_FOLDER})
    foreach(dll ${dlls})
        get_filename_component(name ${dll} NAME)
        file(CREATE_LINK ${dll} ${WINE_DLL_FOLDER}/${name} SYMBOLIC)
    endforeach()
    windows_path(plugin_path ${qt_plugin_folder})
    windows_path(font_path /usr/share/fonts/truetype/dejavu)
    list(APPEND WINE_TEST_ENVIRONMENT
        "WINEPATH=${WINE_DLL_FOLDER}"
        "WINEQT_PLUGIN_PATH=${plugin_path}"
        "WINEQT_QPA_PLATFORM=offscreen"
        "WINEQT_FORCE_STDERR_LOGGING=1"
        "WINEQT_QPA_FONTDIR=${font_path}")
    set(WINE_ROUNDING "WINEQT_SCALE_FACTOR_ROUNDING_POLICY=Round")
    list(APPEND WINE_TEST_ENVIRONMENT ${WINE_ROUNDING})
endif()

# Making a prefix takes several seconds; it is done once and shared by every Wine test.
if(NOT (WIN32 AND CMAKE_CROSSCOMPILING))
    return()
endif()
register_test(wine_prefix_setup
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/make_wine_prefix.sh "${WINE}" ${WINE_PREFIX_DIR}
    SETS_UP wine_prefix
    ENVIRONMENT ${WINE_TEST_ENVIRONMENT}
    SKIP_CODE ${WINDOWS_SKIP_CODE})
# Ends the prefix's server, and with it any Wine program that a test left behind.
register_test(wine_prefix_cleanup
    COMMAND wineserver -k
    CLEANS_UP wine_prefix
    ENVIRONMENT ${WINE_TEST_ENVIRONMENT})
