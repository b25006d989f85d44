# line_captures(TEXT PATTERN RESULT): for each line of TEXT that matches PATTERN, what its first
# group caught, and its second after a "|" when the pattern has two. Included by the product
# checks that read tools' listings.
function(line_captures text pattern result)
  string(REPLACE "\n" ";" lines "${text}")
  set(found "")
  foreach(line IN LISTS lines)
    if(line MATCHES "${pattern}")
      if(CMAKE_MATCH_COUNT GREATER 1)
        list(APPEND found "${CMAKE_MATCH_1}|${CMAKE_MATCH_2}")
      else()
        list(APPEND found "${CMAKE_MATCH_1}")
      endif()
    endif()
  endforeach()
  set(${result} ${found} PARENT_SCOPE)
endfunction()

# defined_symbols(BINARIES TYPES RESULT): the names nm lists as defined in the binaries (a list),
# for the symbol types given as nm's letters.
function(defined_symbols binaries types result)
  execute_process(COMMAND ${NM} --defined-only ${binaries} OUTPUT_VARIABLE listing
                  RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} ${binaries} failed: ${errors}")
  endif()
  line_captures("${listing}" "^[0-9a-fA-F]* *[${types}] (.+)$" names)
  set(${result} ${names} PARENT_SCOPE)
endfunction()
