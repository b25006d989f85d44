# The shipped show with no display server to be had: the screen can't be taken, so the process
# ends with status 1 and prints nothing, whatever the routine behind main() returned it through.
# Then the layout names, which the same early end makes cheap to read from the stand-in: given an
# unknown QUENTHOR_DISPLAY_LAYOUT it lists the names it knows, and those must be the ones ./run
# takes, names in its refusal of an unknown one and offers in its help; given each of them, it
# takes it without a word.
# Usage: cmake -DPROGRAM=<quenthor> -DFOLDER=<an empty scratch folder> -DRUN=<./run>
#              -P no_display_status.cmake
# On this path the show leaves its buffers to the end of the process, so a leak checker in a
# sanitizer build is told not to report them.
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}")

# Runs the show with QUENTHOR_DISPLAY_LAYOUT=layout (unset when empty); sets status, printed
# (standard output) and complaint (standard error) in the caller.
function(run_without_display layout)
  if(layout STREQUAL "")
    set(setting --unset=QUENTHOR_DISPLAY_LAYOUT)
  else()
    set(setting QUENTHOR_DISPLAY_LAYOUT=${layout})
  endif()
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
            --unset=SDL_VIDEODRIVER ${setting} SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0
            "${PROGRAM}"
    WORKING_DIRECTORY "${FOLDER}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err
    TIMEOUT 30)
  set(status "${result}" PARENT_SCOPE)
  set(printed "${out}" PARENT_SCOPE)
  set(complaint "${err}" PARENT_SCOPE)
endfunction()

run_without_display("")
if(NOT status STREQUAL "1")
  message(FATAL_ERROR "the show ended with status '${status}', not 1")
endif()
if(NOT printed STREQUAL "")
  message(FATAL_ERROR "the show printed '${printed}' where it must stay silent")
endif()
message(STATUS "status 1, nothing printed")

# "name, name, ..." as a list; fails when text holds no such run.
function(names_in text pattern what out)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "${what} lists no layout names: '${text}'")
  endif()
  string(REPLACE ", " ";" names "${CMAKE_MATCH_1}")
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

run_without_display("no-such-layout")
names_in("${complaint}" "is not a layout \\(([a-z0-9, ]+)\\)" "the stand-in's message" shown)
execute_process(COMMAND "${RUN}" --layout no-such-layout
                RESULT_VARIABLE run_status OUTPUT_QUIET ERROR_VARIABLE refusal TIMEOUT 30)
if(NOT run_status STREQUAL "2")
  message(FATAL_ERROR "./run --layout no-such-layout ended with status '${run_status}', not 2")
endif()
names_in("${refusal}" "is not a layout: ([a-z0-9, ]+)" "./run's refusal" taken)
if(NOT shown STREQUAL taken)
  message(FATAL_ERROR "the layout names differ: the stand-in knows '${shown}', ./run takes "
                      "'${taken}'")
endif()
execute_process(COMMAND "${RUN}" --help OUTPUT_VARIABLE help TIMEOUT 30)
foreach(name IN LISTS taken)
  if(NOT help MATCHES "[ (,:]${name}[,)\n ]")
    message(FATAL_ERROR "./run --help doesn't offer the layout ${name}")
  endif()
  run_without_display("${name}")
  if(complaint MATCHES "not a layout")
    message(FATAL_ERROR "the stand-in refuses the layout ${name} it lists: ${complaint}")
  endif()
endforeach()
file(REMOVE_RECURSE "${FOLDER}")
message(STATUS "the stand-in and ./run know the same layouts: ${taken}")
