# libopenmpt as a static library from Debian's unpacked source package: the one recipe that the
# Windows build (cmake/libopenmpt-windows/) and the browser build (cmake/web-libraries/) include.
# Only the module decoder: no optional codecs (zlib, mpg123, ogg, vorbis), so nothing else needs
# building for either target.
#
# quenthor_libopenmpt(<source folder> [SHOW_FORMATS_ONLY]): the static library target `openmpt`,
# and the install rules for it and its public headers (lib/, include/libopenmpt/). Each recipe
# adds its own target's definitions and options, and installs the licence where its package looks
# for it.
#
# SHOW_FORMATS_ONLY: only the readers of the formats a song of the show may come in (S3M, MOD,
# XM, IT); a file in any other format is an unknown one. The other readers are a third of the
# library's code, which a build downloaded at each visit (the browser's) needn't carry. libopenmpt
# has no switch for it: the readers' files are left out, and libopenmpt-unread-formats.cpp
# answers "not this format" in their place.
function(quenthor_libopenmpt source)
  cmake_parse_arguments(PARSE_ARGV 1 arg "SHOW_FORMATS_ONLY" "" "")
  if(NOT source OR NOT EXISTS ${source}/libopenmpt/libopenmpt.h)
    message(FATAL_ERROR "OPENMPT_SOURCE_DIR must name an unpacked libopenmpt source package")
  endif()
  file(GLOB sources
    ${source}/common/*.cpp
    ${source}/sounddsp/*.cpp
    ${source}/soundlib/*.cpp
    ${source}/soundlib/plugins/*.cpp
    ${source}/soundlib/plugins/dmo/*.cpp)
  if(arg_SHOW_FORMATS_ONLY)
    # Load_mod.cpp holds the Amiga family (MOD, 15-sample MOD, ICE, ProTracker 3.6).
    list(FILTER sources EXCLUDE REGEX "/soundlib/[Ll]oad_.*\\.cpp$")
    foreach(format s3m mod xm it)
      list(APPEND sources ${source}/soundlib/Load_${format}.cpp)
    endforeach()
    list(APPEND sources ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/libopenmpt-unread-formats.cpp)
  endif()
  # Sorted, so that the archive's members come in the same order on every machine.
  list(SORT sources)
  list(APPEND sources
    ${source}/libopenmpt/libopenmpt_c.cpp
    ${source}/libopenmpt/libopenmpt_cxx.cpp
    ${source}/libopenmpt/libopenmpt_ext_impl.cpp
    ${source}/libopenmpt/libopenmpt_impl.cpp)

  # The package's own version stamp, as its autotools build defines it, so the library reports
  # the release it is.
  file(STRINGS ${source}/configure.ac svn_lines REGEX "AC_DEFINE\\(\\[MPT_SVN(VERSION|DATE)\\]")
  set(version_defines)
  foreach(line ${svn_lines})
    if(line MATCHES "AC_DEFINE\\(\\[(MPT_SVN[A-Z]+)\\], \\[\"([^\"]*)\"\\]")
      list(APPEND version_defines "${CMAKE_MATCH_1}=\"${CMAKE_MATCH_2}\"")
    endif()
  endforeach()

  add_library(openmpt STATIC ${sources})
  target_include_directories(openmpt PRIVATE
    ${source} ${source}/src ${source}/common ${source}/build/svn_version)
  target_compile_definitions(openmpt PRIVATE LIBOPENMPT_BUILD MPT_PACKAGE=true ${version_defines})
  # libopenmpt's own code, not ours: its warnings are not ours to fix.
  target_compile_options(openmpt PRIVATE -w)

  install(TARGETS openmpt ARCHIVE DESTINATION lib)
  install(FILES
    ${source}/libopenmpt/libopenmpt.h
    ${source}/libopenmpt/libopenmpt.hpp
    ${source}/libopenmpt/libopenmpt_config.h
    ${source}/libopenmpt/libopenmpt_version.h
    ${source}/libopenmpt/libopenmpt_ext.h
    ${source}/libopenmpt/libopenmpt_ext.hpp
    ${source}/libopenmpt/libopenmpt_stream_callbacks_buffer.h
    ${source}/libopenmpt/libopenmpt_stream_callbacks_fd.h
    ${source}/libopenmpt/libopenmpt_stream_callbacks_file.h
    DESTINATION include/libopenmpt)
endfunction()
