# Reads the resources back from a built binary (cmake -DWINDRES=... -DBINARY=... -DVERSION=...
# -P check-resources.cmake): version information carrying VERSION, product name, description and
# copyright; each program (.exe) also an icon and its manifest (XP to 11, asInvoker, DPI aware).
cmake_minimum_required(VERSION 3.20)
execute_process(COMMAND ${WINDRES} --input-format=coff --output-format=rc -i ${BINARY}
                OUTPUT_VARIABLE rc RESULT_VARIABLE result ERROR_VARIABLE error)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${WINDRES} can't read the resources of ${BINARY}: ${error}")
endif()
get_filename_component(name ${BINARY} NAME)
# windres writes numbers apart: "FILEVERSION 1, 0, 0, 0"; strings in the manifest with doubled
# quotes.
string(REPLACE "." ", " numeric "${VERSION}")
set(wanted "FILEVERSION ${numeric}, 0" "PRODUCTVERSION ${numeric}, 0"
           "VALUE \"ProductName\", \"Quenthor\"" "VALUE \"FileVersion\", \"${VERSION}\""
           "VALUE \"ProductVersion\", \"${VERSION}\"" "VALUE \"FileDescription\", \"Quenthor"
           "VALUE \"LegalCopyright\", \"Copyright (c) " "VALUE \"OriginalFilename\", \"${name}\"")
if(name MATCHES "\\.exe$")
  # The icon in 16, 32 and 48 px; the manifest: XP's plain user rights, DPI awareness, and
  # Vista, 7, 8, 8.1 and 10/11 by their ids.
  list(APPEND wanted "RT_GROUP_ICON" "Has 3 elements" "\"\\020\\020\\000\\000\", 1, 32"
       "\"\\040\\040\\000\\000\", 1, 32" "\"\\060\\060\\000\\000\", 1, 32" "RT_MANIFEST"
       "level=\"\"asInvoker\"\"" "true</dpiAware>" "processorArchitecture=\"\"x86\"\""
       "{e2011457-1546-43c5-a5fe-008deee3d3f0}" "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"
       "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}" "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"
       "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}")
endif()
foreach(text ${wanted})
  string(FIND "${rc}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${BINARY}'s resources lack ${text}")
  endif()
endforeach()
