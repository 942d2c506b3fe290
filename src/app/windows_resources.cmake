# SPDX-License-Identifier: MIT
# tavelin.exe's resources: the icon (one .ico of the sizes Explorer, the
# taskbar and the Start menu pick from), the version and maker Explorer shows
# on the file's Details tab, and the manifest. The icon is drawn at build
# time by the same code as the Linux icons (packaging/render_icon.cpp), run
# on this machine: the Linux build's renderer, or the one named here.
set(TAVELIN_HOST_RENDER_ICON "${CMAKE_SOURCE_DIR}/build/packaging/render_icon" CACHE FILEPATH
    "The Linux render_icon that draws the Windows program's icon")
if(NOT EXISTS "${TAVELIN_HOST_RENDER_ICON}")
  message(FATAL_ERROR "No ${TAVELIN_HOST_RENDER_ICON} to draw the program's icon: build the Linux "
                      "tree first (scripts/build-windows.sh does) or set TAVELIN_HOST_RENDER_ICON")
endif()
find_program(TAVELIN_ICOTOOL icotool REQUIRED)

set(resources ${CMAKE_CURRENT_BINARY_DIR}/resources)
set(pictures)
foreach(size 16 24 32 48 64 128 256)
  set(picture ${resources}/tavelin-${size}.png)
  add_custom_command(OUTPUT ${picture}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${resources}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${TAVELIN_HOST_RENDER_ICON} ${picture} ${size}
    DEPENDS ${TAVELIN_HOST_RENDER_ICON}
    COMMENT "Drawing the ${size}-pixel picture of the Windows icon" VERBATIM)
  list(APPEND pictures ${picture})
endforeach()
# The largest as PNG (--raw), as Windows stores it; the others as bitmaps,
# which every part of Windows reads.
set(TAVELIN_ICO ${resources}/tavelin.ico)
list(POP_BACK pictures largest)
add_custom_command(OUTPUT ${TAVELIN_ICO}
  COMMAND ${TAVELIN_ICOTOOL} -c -o ${TAVELIN_ICO} ${pictures} --raw=${largest}
  DEPENDS ${pictures} ${largest}
  COMMENT "Packing the Windows icon" VERBATIM)

# The version has one home, project() in the top CMakeLists.txt; the
# copyright line and its holder (the maker) are LICENSE's.
set(TAVELIN_FILE_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0")
set(TAVELIN_FILE_VERSION_DOTS "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")
file(STRINGS ${CMAKE_SOURCE_DIR}/LICENSE TAVELIN_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
if(NOT TAVELIN_COPYRIGHT MATCHES "^Copyright \\([cC]\\) [0-9, -]+ (.+)$")
  message(FATAL_ERROR "LICENSE: no line \"Copyright (c) YEAR HOLDER\"")
endif()
set(TAVELIN_COMPANY "${CMAKE_MATCH_1}")
set(TAVELIN_FILE_DESCRIPTION "Tavelin - moves files between this PC and hand-held terminals")
set(TAVELIN_MANIFEST ${resources}/tavelin.exe.manifest)
configure_file(tavelin_win32.manifest ${TAVELIN_MANIFEST} @ONLY)
# The message table of the Application log's entries (system_log_win32.cpp),
# which the installer names as the source's message file.
find_program(TAVELIN_WINDMC NAMES x86_64-w64-mingw32-windmc windmc REQUIRED)
set(TAVELIN_MESSAGES ${resources}/MSG00409.bin)
add_custom_command(OUTPUT ${TAVELIN_MESSAGES}
  COMMAND ${TAVELIN_WINDMC} -h ${resources} -r ${resources} ${CMAKE_CURRENT_SOURCE_DIR}/tavelin_win32.mc
  DEPENDS tavelin_win32.mc
  COMMENT "Compiling the event log's message table" VERBATIM)
configure_file(tavelin_win32.rc.in ${resources}/tavelin.rc @ONLY)
target_sources(tavelin PRIVATE ${resources}/tavelin.rc)
# windres reads the icon, the manifest and the message table; Ninja learns of
# them only here.
set_source_files_properties(${resources}/tavelin.rc PROPERTIES OBJECT_DEPENDS
  "${TAVELIN_ICO};${TAVELIN_MANIFEST};${TAVELIN_MESSAGES}")
