# What a Windows program folder needs beside Electronic_Clock.exe, so that it runs where it is
# unpacked with nothing installed: the Qt libraries and plugins that the program loads, and the
# compiler's runtime. Windows finds a program's DLLs in the program's own folder, and Qt finds its
# plugins in the platforms/, imageformats/ and styles/ folders beside it.
#
# The files are copied into the build's program folder and installed from there, so that the
# build folder's bin/ and an installed or packed folder hold the same files.

set(WINDOWS_PROGRAM_QT_LIBRARIES Qt5::Core Qt5::Gui Qt5::Widgets Qt5::SerialPort)
# The window's platform, the picture formats a custom picture may come in beyond the BMP and PNG
# that Qt reads itself, and the native widget style.
set(WINDOWS_PROGRAM_QT_PLUGINS Qt5::QWindowsIntegrationPlugin Qt5::QJpegPlugin Qt5::QGifPlugin
    Qt5::QICOPlugin Qt5::QWindowsVistaStylePlugin)
# The C++ runtime of MinGW's GCC; MSVC's comes from InstallRequiredSystemLibraries below.
set(WINDOWS_PROGRAM_MINGW_RUNTIME libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)

# The DLL of an imported Qt target, in the configuration that this Qt was built in.
function(qt_dll_of target result)
    foreach(property IMPORTED_LOCATION_RELEASE IMPORTED_LOCATION_RELWITHDEBINFO IMPORTED_LOCATION)
        get_target_property(location ${target} ${property})
        if(location)
            set(${result} ${location} PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "No DLL found for ${target}")
endfunction()

set(program_folder_files)
# Copies `source` into the program folder's `subfolder` (. for the folder itself), stripped of
# debug information when STRIP is given, and installs the copy.
function(add_program_folder_file source subfolder)
    get_filename_component(name ${source} NAME)
    set(copy ${PROGRAM_FOLDER}/${subfolder}/${name})
    set(commands COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy})
    if(ARGV2 STREQUAL "STRIP" AND CMAKE_STRIP)
        list(APPEND commands COMMAND ${CMAKE_STRIP} --strip-unneeded ${copy})
    endif()
    add_custom_command(OUTPUT ${copy} ${commands} DEPENDS ${source}
        COMMENT "Copying ${name} into the program folder" VERBATIM)
    install(FILES ${copy} DESTINATION ${subfolder})
    set(program_folder_files ${program_folder_files} ${copy} PARENT_SCOPE)
endfunction()

foreach(library ${WINDOWS_PROGRAM_QT_LIBRARIES})
    qt_dll_of(${library} dll)
    add_program_folder_file(${dll} .)
endforeach()
foreach(plugin ${WINDOWS_PROGRAM_QT_PLUGINS})
    qt_dll_of(${plugin} dll)
    get_filename_component(plugin_folder ${dll} DIRECTORY)
    get_filename_component(plugin_folder ${plugin_folder} NAME)
    add_program_folder_file(${dll} ${plugin_folder})
endforeach()
if(MINGW)
    foreach(name ${WINDOWS_PROGRAM_MINGW_RUNTIME})
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
            OUTPUT_VARIABLE dll OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${dll}" OR NOT EXISTS "${dll}")
            message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${name} lies")
        endif()
        get_filename_component(dll ${dll} REALPATH)
        # As shipped, these carry their debug information: libstdc++ is 23 MB with it, 2 without.
        add_program_folder_file(${dll} . STRIP)
    endforeach()
endif()
if(MSVC)
    set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION .)
    include(InstallRequiredSystemLibraries)
endif()

add_custom_target(windows_program_folder ALL DEPENDS ${program_folder_files})
add_dependencies(Electronic_Clock windows_program_folder)
