# Adds the screenshot helper to a build of the tool. scripts/screenshot.sh
# passes this file as CMAKE_PROJECT_VellicorTextureTool_INCLUDE; the target
# is defined once the whole tree is read, so the GUI library exists.
set(VTT_SCREENSHOT_DIR ${CMAKE_CURRENT_LIST_DIR})
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL vtt_add_screenshot_helper)

function(vtt_add_screenshot_helper)
    add_executable(vtt-screenshot ${VTT_SCREENSHOT_DIR}/screenshot.cpp)
    target_link_libraries(vtt-screenshot PRIVATE vtt_gui)
endfunction()
