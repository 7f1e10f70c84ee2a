# Fails when an include points up or sideways: each folder may include its
# own headers and those of the folders below it, never one of its own level
# or above. Above the platform layer no file includes a header of the
# operating system, except the native forms (files ending in _win32).
# Tests, probes, fuzz targets and measurements may include anything.
#
#   cmake -DSOURCE_DIR=<repo> -P cmake/check_layers.cmake

set(rank_base 0)
set(rank_platform 1)
set(rank_files 2)
set(rank_log 2)
set(rank_upgrade 3)
set(rank_paths 3)
set(rank_backup 3)
set(rank_report 4)
set(rank_app 5)
set(rank_tools 6)
set(layers base platform files log upgrade paths backup report app tools)

# Headers of the operating system that only the platform layer and the
# native forms may include.
set(system_headers
    "windows\\.h" "commctrl\\.h" "shlobj\\.h" "shellapi\\.h" "unistd\\.h" "fcntl\\.h" "dirent\\.h"
    "spawn\\.h" "pwd\\.h" "langinfo\\.h" "signal\\.h" "sys/[a-z_]+\\.h")
string(JOIN "|" system_pattern ${system_headers})

set(problems "")
foreach(layer ${layers})
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${layer}/*.h
       ${SOURCE_DIR}/${layer}/*.cc)
  foreach(source ${sources})
    if(source MATCHES "_test(_env)?\\.(h|cc)$|_probe\\.cc$|_fuzz\\.cc$")
      continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^#include [\"<]")
    foreach(line ${includes})
      if(line MATCHES "^#include \"([a-z_]+)/")
        set(target ${CMAKE_MATCH_1})
        if(DEFINED rank_${target} AND NOT target STREQUAL layer
           AND NOT rank_${target} LESS rank_${layer})
          list(APPEND problems "${source}: ${line} (${layer} may not include ${target})")
        endif()
      elseif(line MATCHES "^#include <(${system_pattern})>")
        if(NOT layer STREQUAL "platform" AND NOT source MATCHES "_win32\\.(h|cc)$")
          list(APPEND problems "${source}: ${line} (a system header above the platform layer)")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(problems)
  string(JOIN "\n  " text ${problems})
  message(FATAL_ERROR "includes that do not point down:\n  ${text}")
endif()
