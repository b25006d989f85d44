# The shipped show with no display server to be had: the screen can't be taken, so the process
# ends with status 1 and prints nothing, whatever the routine behind main() returned it through.
# Usage: cmake -DPROGRAM=<quenthor> -DFOLDER=<an empty scratch folder> -P no_display_status.cmake
# On this path the show leaves its buffers to the end of the process, so a leak checker in a
# sanitizer build is told not to report them.
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
          --unset=SDL_VIDEODRIVER --unset=QUENTHOR_DISPLAY_LAYOUT SDL_AUDIODRIVER=dummy
          ASAN_OPTIONS=detect_leaks=0
          "${PROGRAM}"
  WORKING_DIRECTORY "${FOLDER}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE printed
  TIMEOUT 30)
file(REMOVE_RECURSE "${FOLDER}")
if(NOT status STREQUAL "1")
  message(FATAL_ERROR "the show ended with status '${status}', not 1")
endif()
if(NOT printed STREQUAL "")
  message(FATAL_ERROR "the show printed '${printed}' where it must stay silent")
endif()
message(STATUS "status 1, nothing printed")
