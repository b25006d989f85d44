# The README and docs/ against the tree they describe, so a move or a new option can't leave them
# behind unnoticed:
#  - the README stays short enough to read at one sitting (at most 150 lines);
#  - every relative link in README.md and docs/*.md leads to a file or folder that exists;
#  - every path they name under one of the repository's own folders (scripts/mutants,
#    tests/product, web/page.js, ...) exists;
#  - every option that `./run --help` lists is shown in the README as `./run OPTION`.
# Usage: cmake -DSOURCE=<source tree> -P docs_match_tree.cmake

cmake_policy(VERSION 3.20)

set(broken "")
set(checked 0)
set(readme_limit 150)

# Counted by their ends, as wc -l does: a list of the lines themselves would split at a ';'.
file(READ "${SOURCE}/README.md" readme)
string(REGEX MATCHALL "\n" readme_ends "${readme}")
list(LENGTH readme_ends readme_count)
if(readme_count GREATER readme_limit)
  list(APPEND broken "README.md: ${readme_count} lines, more than ${readme_limit}")
endif()

# The folders a path in the text may start from: the tracked top-level ones, not build trees.
set(top_folders "scripts|tests|bench|web|packaging|platform|tools|cmake|show|convert|display|music|docs")

file(GLOB pages "${SOURCE}/docs/*.md")
foreach(page IN ITEMS "${SOURCE}/README.md" ${pages})
  file(RELATIVE_PATH name "${SOURCE}" "${page}")
  get_filename_component(folder "${page}" DIRECTORY)
  file(READ "${page}" text)

  # Links become plain words first: CMake's lists would read a bracket as quoting.
  string(REGEX REPLACE "\\]\\(([^)]+)\\)" " link<\\1> " text "${text}")
  string(REGEX MATCHALL "link<[^>]+>" links "${text}")
  foreach(link IN LISTS links)
    string(REGEX REPLACE "^link<([^#>]*).*$" "\\1" target "${link}")
    if(target STREQUAL "" OR target MATCHES "^[a-z]+:")
      continue()
    endif()
    math(EXPR checked "${checked} + 1")
    if(NOT EXISTS "${folder}/${target}")
      list(APPEND broken "${name}: the link to ${target} leads nowhere")
    endif()
  endforeach()

  # A path starts after a character that can't be part of one, so build-web/site/ isn't read as
  # web/site/ and ~/.cache/quenthor/... is left alone.
  string(REGEX REPLACE "[^A-Za-z0-9_./~-]" " " words "${text}")
  string(REGEX MATCHALL "(^| )(${top_folders})/[A-Za-z0-9_./-]*" paths "${words}")
  foreach(path IN LISTS paths)
    string(STRIP "${path}" path)
    string(REGEX REPLACE "[.]+$" "" path "${path}")
    math(EXPR checked "${checked} + 1")
    if(NOT EXISTS "${SOURCE}/${path}")
      list(APPEND broken "${name}: ${path} is not in the tree")
    endif()
  endforeach()
endforeach()

# A reading that finds nothing would pass whatever the pages say.
if(checked EQUAL 0)
  list(APPEND broken "no path or link found in README.md and docs/*.md")
endif()

execute_process(COMMAND "${SOURCE}/run" --help
                RESULT_VARIABLE result OUTPUT_VARIABLE help ERROR_VARIABLE help_errors)
if(NOT result STREQUAL "0")
  list(APPEND broken "./run --help ended with status ${result}: ${help_errors}")
endif()
# The options are the lines indented by two spaces: "  record [SECONDS]", "  -h, --help".
string(REGEX MATCHALL "\n  [-a-z][-a-z,]*( --[-a-z]+)?" option_lines "${help}")
set(options "")
foreach(line IN LISTS option_lines)
  string(REGEX MATCHALL "[-a-z]+" names "${line}")
  # Of "-h, --help", the long name is the one to show.
  list(FILTER names EXCLUDE REGEX "^-[a-z]$")
  list(APPEND options ${names})
endforeach()
if(options STREQUAL "")
  list(APPEND broken "./run --help lists no options")
endif()
foreach(option IN LISTS options)
  string(FIND "${readme}" "./run ${option}" at)
  if(at EQUAL -1)
    list(APPEND broken "README.md doesn't show ./run ${option}, which ./run --help lists")
  endif()
endforeach()

if(broken)
  list(JOIN broken "\n  " lines)
  message(FATAL_ERROR "The docs don't match the tree:\n  ${lines}")
endif()
list(JOIN options ", " shown)
message(STATUS "README.md: ${readme_count} lines; ${checked} paths and links found; ./run's options shown: ${shown}")
