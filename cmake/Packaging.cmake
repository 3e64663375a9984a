# Everything installed besides the two programs, and the Debian package
# (`cpack -G DEB`, run by scripts/package.sh). Files made from sources here
# (compressed manual pages, the Debian changelog, the AppStream metainfo)
# are written at configure time; a change to a source configures again.

include(GNUInstallDirs)

set(VTT_PACKAGE vellicor-texture-tool)
set(VTT_MAINTAINER "Robin Vellicor <robin@vellicor.example.org>")
set(VTT_HOMEPAGE "https://vellicor.example.org/")
set(VTT_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${VTT_PACKAGE})
set(generated ${PROJECT_BINARY_DIR}/install-data)
file(MAKE_DIRECTORY ${generated})

# Debian wants installed directories at 0755 whatever the builder's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

find_program(VTT_GZIP gzip REQUIRED)
# gzip -9n: the best compression, and no name or time in the header, so the
# same sources give the same bytes.
function(vtt_gzip source target)
    execute_process(COMMAND ${VTT_GZIP} -9nc ${source} OUTPUT_FILE ${target} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "could not compress ${source}")
    endif()
endfunction()

function(vtt_watch)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ARGN})
endfunction()

# --- the changelog, as the Debian changelog and the AppStream releases ------

set(changelog ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
vtt_watch(${changelog})
file(STRINGS ${changelog} lines)

# "2026-12-08" as "Tue, 08 Dec 2026 00:00:00 +0000"
function(vtt_rfc2822 iso out)
    string(REGEX MATCH "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$" ok "${iso}")
    if(NOT ok)
        message(FATAL_ERROR "CHANGELOG.md: \"${iso}\" is no date like 2026-12-08")
    endif()
    set(y ${CMAKE_MATCH_1})
    math(EXPR m "1${CMAKE_MATCH_2} - 100")
    math(EXPR d "1${CMAKE_MATCH_3} - 100")
    # Sakamoto's day of the week, 0 for Sunday.
    set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
    math(EXPR i "${m} - 1")
    list(GET offsets ${i} offset)
    if(m LESS 3)
        math(EXPR y "${y} - 1")
    endif()
    math(EXPR weekday "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${offset} + ${d}) % 7")
    set(days Sun Mon Tue Wed Thu Fri Sat)
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(GET days ${weekday} day)
    list(GET months ${i} month)
    set(${out} "${day}, ${CMAKE_MATCH_3} ${month} ${CMAKE_MATCH_1} 00:00:00 +0000" PARENT_SCOPE)
endfunction()

function(vtt_xml_escape text out)
    string(REPLACE "&" "&amp;" text "${text}")
    string(REPLACE "<" "&lt;" text "${text}")
    string(REPLACE ">" "&gt;" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(debian_changelog "")
set(releases "")
set(version "")
set(latest "")
set(item "")
set(items "")
# Ends the item being read, then (with `close` set) the version.
macro(vtt_end_item)
    if(NOT item STREQUAL "")
        vtt_xml_escape("${item}" escaped)
        string(APPEND releases "          <li>${escaped}</li>\n")
        set(item "")
    endif()
endmacro()
macro(vtt_end_version)
    vtt_end_item()
    if(NOT version STREQUAL "")
        string(APPEND debian_changelog "\n -- ${VTT_MAINTAINER}  ${version_date}\n\n")
        string(APPEND releases "        </ul>\n      </description>\n    </release>\n")
        set(version "")
    endif()
endmacro()
foreach(line IN LISTS lines)
    string(REPLACE "`" "" line "${line}")
    if(line MATCHES "^## ([0-9]+\\.[0-9]+\\.[0-9]+) \\(([0-9-]+)\\)$")
        vtt_end_version()
        set(version ${CMAKE_MATCH_1})
        set(iso ${CMAKE_MATCH_2})
        vtt_rfc2822(${iso} version_date)
        if(latest STREQUAL "")
            set(latest ${version})
        endif()
        string(APPEND debian_changelog "${VTT_PACKAGE} (${version}) unstable; urgency=medium\n\n")
        string(APPEND releases "    <release version=\"${version}\" date=\"${iso}\">\n"
                               "      <description>\n        <ul>\n")
    elseif(line MATCHES "^## ")
        vtt_end_version()
    elseif(NOT version STREQUAL "" AND line MATCHES "^- (.*)$")
        vtt_end_item()
        set(item "${CMAKE_MATCH_1}")
        string(APPEND debian_changelog "  * ${CMAKE_MATCH_1}\n")
    elseif(NOT version STREQUAL "" AND NOT item STREQUAL "" AND line MATCHES "^  +(.*)$")
        string(APPEND item " ${CMAKE_MATCH_1}")
        string(APPEND debian_changelog "    ${CMAKE_MATCH_1}\n")
    endif()
endforeach()
vtt_end_version()
if(NOT latest STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "CHANGELOG.md starts with ${latest}, but the project is ${PROJECT_VERSION}: "
                        "say there what ${PROJECT_VERSION} brings")
endif()
string(STRIP "${releases}" VTT_RELEASES)
set(VTT_RELEASES "    ${VTT_RELEASES}")

string(STRIP "${debian_changelog}" debian_changelog)
file(WRITE ${generated}/changelog "${debian_changelog}\n")
vtt_gzip(${generated}/changelog ${generated}/changelog.gz)

# --- manual pages: the title line carries the project's version -------------

set(VTT_MAN_PAGES vtt vellicor-texture-tool)
foreach(page ${VTT_MAN_PAGES})
    set(source ${PROJECT_SOURCE_DIR}/resources/man/${page}.1)
    vtt_watch(${source})
    file(READ ${source} text)
    string(REGEX REPLACE "\"Vellicor Texture Tool [^\"]*\"" "\"Vellicor Texture Tool ${PROJECT_VERSION}\"" text "${text}")
    file(WRITE ${generated}/${page}.1 "${text}")
    vtt_gzip(${generated}/${page}.1 ${generated}/${page}.1.gz)
    install(FILES ${generated}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# --- desktop integration ------------------------------------------------------

set(VTT_APPSTREAM_ID org.example.vellicor.TextureTool)
set(screenshot ${PROJECT_SOURCE_DIR}/docs/screenshot.png)
vtt_watch(${screenshot} ${PROJECT_SOURCE_DIR}/resources/metainfo/${VTT_APPSTREAM_ID}.metainfo.xml.in)
# The picture's size from its PNG header (width and height at bytes 16 to 23).
file(READ ${screenshot} header OFFSET 16 LIMIT 8 HEX)
string(SUBSTRING ${header} 0 8 width)
string(SUBSTRING ${header} 8 8 height)
math(EXPR VTT_SCREENSHOT_WIDTH "0x${width}")
math(EXPR VTT_SCREENSHOT_HEIGHT "0x${height}")
configure_file(${PROJECT_SOURCE_DIR}/resources/metainfo/${VTT_APPSTREAM_ID}.metainfo.xml.in
               ${generated}/${VTT_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${generated}/${VTT_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/vellicor-texture-tool.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The icon in every size scripts/draw-icons.py draws; 32 x 32 is also the
# window's own.
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/vellicor-texture-tool.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
foreach(size 16 22 24 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/hicolor/${size}x${size}/vellicor-texture-tool.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/hicolor/scalable/vellicor-texture-tool.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

install(FILES ${PROJECT_SOURCE_DIR}/resources/completion/vtt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# --- documentation: licence terms and the changelog --------------------------

install(FILES ${PROJECT_SOURCE_DIR}/resources/doc/copyright ${generated}/changelog.gz
        DESTINATION ${VTT_DOC_DIR})

# --- the Debian package -------------------------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VTT_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VTT_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VTT_HOMEPAGE})
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# Dependencies are those of the binaries, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The header panel's narrow face; without it the labels fall back to a
# wider face that does not fit every box.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-urw-base35)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for game textures in TEX, Targa and PNG files")
# CPack puts the summary first and formats the lines as Debian wants them.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A small desktop program for editing game textures. It opens one texture at a
time, the game's TEX format, a Targa image or a PNG image, shows it pixel for
pixel with its header fields and a hex dump of the file, flips, mirrors and
rotates it, switches its colour channels, edits its 256-colour palette, and
saves it as TEX, Targa or PNG, converting between them.

The vtt command shows what textures hold and converts whole folders of them
with the same code, writing the same bytes as the window.")
include(CPack)
