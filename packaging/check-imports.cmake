# Checks what a built Windows binary needs of the system (cmake -DOBJDUMP=... -DNM=... -DBINARY=...
# -DLIST=... -P check-imports.cmake): every function it imports must be in LIST with a minimum
# Windows no newer than XP SP3, and no winpthreads may be linked in (its symbols in the
# unstripped binary), since that needs Vista.
cmake_minimum_required(VERSION 3.20)
execute_process(COMMAND ${OBJDUMP} -p ${BINARY} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${BINARY} failed")
endif()

# The list: "DLL function minimum source...", one a line; # starts a comment.
file(STRINGS ${LIST} lines REGEX "^[^#]")
set(known)
foreach(line ${lines})
  string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
  list(LENGTH fields count)
  if(count LESS 4)
    message(FATAL_ERROR "${LIST}: '${line}' needs a DLL, a function, a minimum and a source")
  endif()
  list(GET fields 0 dll)
  list(GET fields 1 function)
  list(GET fields 2 minimum)
  string(TOUPPER "${dll}" dll)
  set(minimum_${dll}_${function} ${minimum})
endforeach()
# Windows versions up to XP SP3, as the list writes them.
set(xp_sp3_or_older 95 nt4 2000 xp xp-sp1 xp-sp2 xp-sp3)

# The import tables: "DLL Name: X", then a line "vma: Hint/Ord Member-Name Bound-To" and one
# line a function "<vma> <hint> <name>", up to an empty line.
string(REPLACE "\n" ";" dump_lines "${dump}")
set(dll "")
set(faults)
set(imported 0)
foreach(line ${dump_lines})
  if(line MATCHES "^[ \t]*DLL Name: (.+)$")
    string(TOUPPER "${CMAKE_MATCH_1}" dll)
  elseif(dll AND line MATCHES "^[ \t]*[0-9a-fA-F]+[ \t]+[0-9]+[ \t]+([A-Za-z_0-9@?$]+)[ \t]*$")
    set(function ${CMAKE_MATCH_1})
    math(EXPR imported "${imported} + 1")
    if(NOT DEFINED minimum_${dll}_${function})
      list(APPEND faults "${dll} ${function}: not in the list (add it with its minimum Windows and where that comes from)")
    elseif(NOT minimum_${dll}_${function} IN_LIST xp_sp3_or_older)
      list(APPEND faults "${dll} ${function}: needs Windows ${minimum_${dll}_${function}}")
    endif()
  elseif(line MATCHES "^[ \t]*$")
    set(dll "")
  endif()
endforeach()
if(imported EQUAL 0)
  message(FATAL_ERROR "found no imported functions in ${OBJDUMP} -p ${BINARY}")
endif()

execute_process(COMMAND ${NM} ${BINARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
if(result EQUAL 0 AND symbols MATCHES "[ \t_]pthread_(mutex|cond|create|once)[A-Za-z_]*")
  list(APPEND faults "winpthreads is linked in (${CMAKE_MATCH_0}): it needs Windows Vista")
endif()

if(faults)
  string(REPLACE ";" "\n  " faults "${faults}")
  message(FATAL_ERROR "${BINARY} won't load on Windows XP SP3:\n  ${faults}\n(list: ${LIST})")
endif()
