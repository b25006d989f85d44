# Fails when a file includes across the house's walls:
#  - the system folders (show, convert, display, music) include of the platform only its
#    interface headers, platform/<interface>_api.h;
#  - nothing under platform/ but the controls includes the controls;
#  - tests and benchmarks reach the platform through its interface headers and the controls, and
#    otherwise only the stand-ins' pure helpers that have tests of their own: the desktop's key
#    codes, the placing of the picture, and the song decoder (fuzzed).
# cmake -DSOURCE=<source tree> -P include_rules.cmake

set(broken "")

file(GLOB_RECURSE system_files ${SOURCE}/show/* ${SOURCE}/convert/* ${SOURCE}/display/*
     ${SOURCE}/music/*)
foreach(path IN LISTS system_files)
  file(STRINGS ${path} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"platform/")
  foreach(line IN LISTS includes)
    if(NOT line MATCHES "\"platform/[a-z0-9]+_api\\.h\"")
      list(APPEND broken "${path}: ${line}")
    endif()
  endforeach()
endforeach()

file(GLOB_RECURSE platform_files ${SOURCE}/platform/*)
foreach(path IN LISTS platform_files)
  if(path MATCHES "/platform/controls/")
    continue()
  endif()
  file(STRINGS ${path} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"platform/controls/")
  foreach(line IN LISTS includes)
    list(APPEND broken "${path}: ${line}")
  endforeach()
endforeach()

set(test_may_include
    "\"platform/[a-z0-9]+_api\\.h\""
    "\"platform/controls/[a-z_]+\\.h\""
    "\"platform/host/keys\\.h\""
    "\"platform/host/screen\\.h\""
    "\"platform/fmod/tracker_module\\.h\"")
file(GLOB_RECURSE test_files ${SOURCE}/tests/* ${SOURCE}/bench/*)
foreach(path IN LISTS test_files)
  file(STRINGS ${path} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"platform/")
  foreach(line IN LISTS includes)
    set(allowed FALSE)
    foreach(pattern IN LISTS test_may_include)
      if(line MATCHES "${pattern}")
        set(allowed TRUE)
      endif()
    endforeach()
    if(NOT allowed)
      list(APPEND broken "${path}: ${line}")
    endif()
  endforeach()
endforeach()

list(LENGTH system_files systemCount)
list(LENGTH platform_files platformCount)
if(systemCount LESS 10 OR platformCount LESS 10)
  message(FATAL_ERROR "too few files found under ${SOURCE} (${systemCount}, ${platformCount})")
endif()
if(broken)
  list(JOIN broken "\n  " shown)
  message(FATAL_ERROR "includes across the walls:\n  ${shown}")
endif()
message(STATUS "${systemCount} system files, ${platformCount} platform files: includes as laid out")
