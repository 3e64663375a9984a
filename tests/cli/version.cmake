# Both programs answer --version with "NAME VERSION", the project's version,
# and the window program does so without a display.
#   cmake -DVERSION=... -DPROGRAMS=path,path -P version.cmake
unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
unset(ENV{QT_QPA_PLATFORM})
string(REPLACE "," ";" PROGRAMS "${PROGRAMS}")
foreach(program IN LISTS PROGRAMS)
    get_filename_component(name ${program} NAME)
    execute_process(COMMAND ${program} --version OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR NOT out STREQUAL "${name} ${VERSION}\n" OR NOT err STREQUAL "")
        message(FATAL_ERROR "${name} --version: status ${status}, printed \"${out}\", errors \"${err}\"; "
                            "expected \"${name} ${VERSION}\"")
    endif()
endforeach()
