# SPDX-License-Identifier: MIT
# tavelin_platform_sources(TARGET NAME... [POSIX_ONLY FILE...] [WIN32_ONLY FILE...])
# Adds a folder's per-OS sources to TARGET: for each NAME the file
# NAME_win32.cpp on Windows and NAME_posix.cpp elsewhere, the twins beside
# the header NAME.h; the FILEs after POSIX_ONLY or WIN32_ONLY only on that
# system (code that has no counterpart on the other). Paths are the calling
# folder's.
function(tavelin_platform_sources target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "POSIX_ONLY;WIN32_ONLY")
  if(WIN32)
    set(suffix _win32.cpp)
    set(only ${arg_WIN32_ONLY})
  else()
    set(suffix _posix.cpp)
    set(only ${arg_POSIX_ONLY})
  endif()
  set(files ${only})
  foreach(name IN LISTS arg_UNPARSED_ARGUMENTS)
    list(APPEND files ${name}${suffix})
  endforeach()
  list(TRANSFORM files PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  target_sources(${target} PRIVATE ${files})
endfunction()
