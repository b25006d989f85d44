# defined_symbols(BINARIES TYPES RESULT): the names nm lists as defined in the binaries (a list),
# for the symbol types given as nm's letters. Included by the product checks that read symbols.
function(defined_symbols binaries types result)
  execute_process(COMMAND ${NM} --defined-only ${binaries} OUTPUT_VARIABLE listing
                  RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} ${binaries} failed: ${errors}")
  endif()
  string(REPLACE "\n" ";" lines "${listing}")
  set(names "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[0-9a-fA-F]* *([${types}]) (.+)$")
      list(APPEND names "${CMAKE_MATCH_2}")
    endif()
  endforeach()
  set(${result} ${names} PARENT_SCOPE)
endfunction()
