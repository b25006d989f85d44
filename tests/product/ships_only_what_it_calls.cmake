# Fails when the shipped show holds a routine that nothing in the show calls: one that only the
# tests or the controls use, or nobody. The objects were compiled without inlining, each routine
# in a section of its own; linked with unreferenced sections dropped, the linker names each
# routine it drops. What the system libraries would resolve is left unresolved: only what our
# objects refer to matters.
# Template and inline code (weak, emitted wherever it is used) is the compiler's business, not
# a routine of ours: only the objects' own (strong) routines count.
# cmake -DCXX=<compiler> -DNM=<nm> -DOBJECTS=<object|object|...> -DLINK_FLAGS=<the build's>
#       -DWORK=<folder> -P ships_only_what_it_calls.cmake

cmake_policy(VERSION 3.20)

string(REPLACE "|" ";" objects "${OBJECTS}")
list(LENGTH objects count)
if(count LESS 20)
  message(FATAL_ERROR "too few objects (${count}): ${OBJECTS}")
endif()
separate_arguments(linkFlags UNIX_COMMAND "${LINK_FLAGS}")
file(MAKE_DIRECTORY ${WORK})
execute_process(
  COMMAND ${CXX} ${linkFlags} ${objects} -o ${WORK}/show -Wl,--gc-sections -Wl,--print-gc-sections
          -Wl,--unresolved-symbols=ignore-all -Wl,--undefined=quenthor_ddraw_offered
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE removals)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the link failed (${status}):\n${output}${removals}")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/defined_symbols.cmake)
defined_symbols("${objects}" "Tt" strong)
list(LENGTH strong strongCount)
if(strongCount LESS 100)
  message(FATAL_ERROR "too few routines found in the objects (${strongCount})")
endif()

# "removing unused section '.text.<name>' in file '<object>'", for our objects' routines.
line_captures("${removals}" "removing unused section '\\.text\\.([^']+)' in file '([^']+)'" dropped)
set(unused "")
foreach(removal IN LISTS dropped)
  string(REPLACE "|" ";" removal "${removal}")
  list(GET removal 0 name)
  list(GET removal 1 object)
  get_filename_component(object "${object}" NAME)
  if(name IN_LIST strong)
    list(APPEND unused "${name} (${object})")
  endif()
endforeach()
if(unused)
  list(LENGTH unused found)
  execute_process(COMMAND c++filt INPUT_FILE /dev/null RESULT_VARIABLE noFilter OUTPUT_QUIET ERROR_QUIET)
  list(JOIN unused "\n" shown)
  if(noFilter EQUAL 0)
    file(WRITE ${WORK}/unused.txt "${shown}\n")
    execute_process(COMMAND c++filt INPUT_FILE ${WORK}/unused.txt OUTPUT_VARIABLE shown)
  endif()
  message(FATAL_ERROR "${found} routines in the shipped show that nothing in it calls:\n${shown}")
endif()
message(STATUS "${count} objects, ${strongCount} routines: each is called by the show")
