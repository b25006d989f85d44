# What the cross builds (Windows, the browser) take from outside their own toolchain.

# quenthor_prefix_from_script(<var> <cache variable> <script> <recipe files> <what it holds>):
# the folder a library script of ours prints (it builds once, keeps the result outside the
# tree, and is cheap after that), unless the cache variable names one already. The recipe files
# are a list, paths in the tree.
function(quenthor_prefix_from_script var cache_variable script recipe description)
  set(${cache_variable} "" CACHE PATH "${description}; empty: ${script}")
  set(prefix ${${cache_variable}})
  if(NOT prefix)
    execute_process(COMMAND ${PROJECT_SOURCE_DIR}/${script}
                    OUTPUT_VARIABLE prefix OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0 OR NOT prefix)
      message(FATAL_ERROR "${script} failed (see above); or set ${cache_variable} to ${description}")
    endif()
    # What the script's cache key covers: a change to any of it asks the script again.
    list(TRANSFORM recipe PREPEND ${PROJECT_SOURCE_DIR}/)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${PROJECT_SOURCE_DIR}/${script} ${recipe}
                 ${PROJECT_SOURCE_DIR}/scripts/library-cache
                 ${PROJECT_SOURCE_DIR}/cmake/libopenmpt.cmake)
  endif()
  set(${var} ${prefix} PARENT_SCOPE)
endfunction()

# quenthor_host_assets(): the asset tool built for the machine doing the build, beside a cross
# build that can't run its own (target host_assets); QUENTHOR_HOST_ASSETS names the tool.
function(quenthor_host_assets)
  include(ExternalProject)
  set(tools ${CMAKE_CURRENT_BINARY_DIR}/host-tools)
  ExternalProject_Add(host_assets
    SOURCE_DIR ${PROJECT_SOURCE_DIR}/tools
    BINARY_DIR ${tools}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${tools}/quenthor-assets)
  set(QUENTHOR_HOST_TOOLS ${tools} PARENT_SCOPE)
endfunction()
