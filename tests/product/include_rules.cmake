# Fails when a file includes across the house's walls:
#  - the system folders (show, convert, display, music) include of the platform only its
#    interface headers, platform/<interface>_api.h;
#  - and of each other only those below them: show -> display -> convert, and show -> music
#    (show may include display, convert and music; display convert; convert and music none);
#  - nothing under platform/ includes the test controls (tests/controls/), which steer the
#    stand-ins from inside and so alone of the tests reach anything of theirs;
#  - the stand-ins' folders include only their own folder and the layers below them:
#    trace <- host <- win32 <- ddraw, host <- fmod; winmm/ is fmod.dll's own sound output, in
#    host's place; gentleddraw/ (the Windows package's ddraw.dll) uses host's gentle filter;
#    fmod/ opens the song as the show opens its pictures (platform/files_api.h); host/capture/
#    implements platform/capture_api.h
#    (platform/<interface>_api.h counts as its interface's folder);
#  - platform/audio_output.h, the sound output the sound library plays through, is included by
#    the sound library (fmod/) and by what implements it (host/, winmm/) only;
#  - host/ is laid out by driver: SDL's and X11's headers are included only by its desktop
#    driver (host/sdl/), emscripten's only by its page driver (host/page/), and SDL's nowhere in
#    the system folders;
#  - tests and benchmarks reach the platform through its interface headers and the controls, and
#    otherwise only the stand-ins' pure helpers that have tests of their own: the desktop's key
#    codes, the placing of the picture, the gentle viewing filter and the Windows package's use
#    of it at a flip, the song decoder (fuzzed), and the flip's comparison of pictures.
# cmake -DSOURCE=<source tree> -P include_rules.cmake

cmake_policy(VERSION 3.20)

set(broken "")

file(GLOB_RECURSE system_files ${SOURCE}/show/* ${SOURCE}/convert/* ${SOURCE}/display/*
     ${SOURCE}/music/*)
set(system_below_show display convert music)
set(system_below_display convert)
set(system_below_convert "")
set(system_below_music "")
foreach(path IN LISTS system_files)
  file(STRINGS ${path} includes REGEX "^[ \t]*#[ \t]*include[ \t]*([\"<]SDL|\"platform/)")
  foreach(line IN LISTS includes)
    if(NOT line MATCHES "\"platform/[a-z0-9]+_api\\.h\"")
      list(APPEND broken "${path}: ${line}")
    endif()
  endforeach()
  file(RELATIVE_PATH relative ${SOURCE} ${path})
  string(REGEX MATCH "^[a-z]+" folder "${relative}")
  file(STRINGS ${path} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"(show|display|convert|music)/")
  foreach(line IN LISTS includes)
    string(REGEX MATCH "\"([a-z]+)/" unused "${line}")
    if(NOT CMAKE_MATCH_1 STREQUAL folder AND NOT CMAKE_MATCH_1 IN_LIST system_below_${folder})
      list(APPEND broken "${path}: ${line}")
    endif()
  endforeach()
endforeach()

# What each folder of the platform may include of the platform, itself aside.
set(below_trace "")
set(below_host trace capture)  # capture_api.h: what host/capture/ implements
set(below_win32 host trace)
set(below_ddraw win32 host trace)
set(below_fmod host trace files)
set(below_winmm host trace)
set(below_gentleddraw host)
file(GLOB_RECURSE platform_files ${SOURCE}/platform/*)
foreach(path IN LISTS platform_files)
  file(STRINGS ${path} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  string(REGEX MATCH "/platform/([a-z0-9]+)/" inFolder "${path}")
  set(folder "${CMAKE_MATCH_1}")
  if(NOT inFolder)  # platform/<interface>_api.h
    string(REGEX MATCH "/platform/([a-z0-9]+)_api\\.h$" isInterface "${path}")
    set(folder "${CMAKE_MATCH_1}")
  endif()
  foreach(line IN LISTS includes)
    if(line MATCHES "\"tests/")
      list(APPEND broken "${path}: ${line}")
    elseif(line MATCHES "\"platform/audio_output\\.h\"" AND NOT folder MATCHES "^(fmod|host|winmm)$")
      list(APPEND broken "${path}: ${line}")
    elseif(line MATCHES "[\"<](SDL|X11/)" AND NOT path MATCHES "/platform/host/sdl/")
      list(APPEND broken "${path}: ${line}")
    elseif(line MATCHES "[\"<]emscripten" AND NOT path MATCHES "/platform/host/page/")
      list(APPEND broken "${path}: ${line}")
    elseif(line MATCHES "\"platform/([a-z0-9]+)(/|_api\\.h)")
      set(target "${CMAKE_MATCH_1}")
      if(NOT target STREQUAL folder AND NOT target IN_LIST below_${folder})
        list(APPEND broken "${path}: ${line}")
      endif()
    endif()
  endforeach()
endforeach()

set(test_may_include
    "\"platform/[a-z0-9]+_api\\.h\""
    "\"platform/host/keys\\.h\""
    "\"platform/host/screen\\.h\""
    "\"platform/host/gentle\\.h\""
    "\"platform/fmod/tracker_module\\.h\""
    "\"platform/ddraw/same_bytes\\.h\""
    "\"platform/gentleddraw/gentle_surface\\.h\"")
file(GLOB_RECURSE test_files ${SOURCE}/tests/* ${SOURCE}/bench/*)
list(FILTER test_files EXCLUDE REGEX "/tests/controls/")
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
