# QUENTHOR_SOURCE_DATE_EPOCH: the one time stamp the packages carry, so that two builds of one
# commit come out byte for byte the same: SOURCE_DATE_EPOCH where the caller sets it, else the
# last commit's time, else (a tree without git) the date of the Debian changelog's entry.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(QUENTHOR_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git log -1 --format=%ct
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE QUENTHOR_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE result ERROR_QUIET)
  if(result EQUAL 0)
    # A new commit or checkout asks for the time again.
    execute_process(COMMAND git rev-parse --absolute-git-dir
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE git_dir OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(EXISTS ${git_dir}/logs/HEAD)
      set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                   ${git_dir}/logs/HEAD)
    endif()
  else()
    file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in trailer REGEX "^ -- ")
    # " -- NAME <ADDRESS>  DATE", where the template may still hold a placeholder for the name.
    string(REGEX REPLACE "^ -- .*  " "" changelog_date "${trailer}")
    execute_process(COMMAND date -u -d "${changelog_date}" +%s
                    OUTPUT_VARIABLE QUENTHOR_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE)
  endif()
endif()
if(NOT QUENTHOR_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "no time stamp for the packages: set SOURCE_DATE_EPOCH to a number of "
                      "seconds (it is '${QUENTHOR_SOURCE_DATE_EPOCH}')")
endif()
