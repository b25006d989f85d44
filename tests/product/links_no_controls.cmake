# Fails when the program defines any routine or variable that the controls library defines.
# cmake -DNM=<nm> -DPROGRAM=<executable> -DCONTROLS=<controls archive> -P links_no_controls.cmake

include(${CMAKE_CURRENT_LIST_DIR}/defined_symbols.cmake)

# The controls' own code and data, not the template and inline code (weak) they share with
# everything else that uses the same standard library.
defined_symbols(${CONTROLS} "TDBR" controls)
defined_symbols(${PROGRAM} "TtDdBbRr" program)

# The 32-bit compiler's own helpers (__x86.get_pc_thunk.*) come with every object file that
# needs them; they are nobody's code.
list(FILTER controls EXCLUDE REGEX "^__x86\\.")

# Without symbols on either side the check would prove nothing.
list(LENGTH controls controlCount)
if(controlCount LESS 20 OR NOT "${controls}" MATCHES "ResetDisplayControls")
  message(FATAL_ERROR "the controls library shows too few symbols (${controlCount}): ${CONTROLS}")
endif()
if(NOT "${program}" MATCHES "RunShow")
  message(FATAL_ERROR "no RunShow among the program's symbols: is ${PROGRAM} stripped?")
endif()

set(found "")
foreach(name IN LISTS controls)
  list(FIND program "${name}" at)
  if(NOT at EQUAL -1)
    list(APPEND found "${name}")
  endif()
endforeach()
if(found)
  list(JOIN found "\n  " shown)
  message(FATAL_ERROR "${PROGRAM} carries test controls:\n  ${shown}")
endif()
message(STATUS "${PROGRAM}: none of the ${controlCount} control symbols")
