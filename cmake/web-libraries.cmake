# SDL2 and libopenmpt for the browser build, from scripts/web-libraries (which builds them once
# from Debian's source packages and keeps them outside the tree), as QuenthorWeb::SDL2 and
# QuenthorWeb::openmpt.
set(QUENTHOR_WEB_LIBRARIES "" CACHE PATH
    "SDL2 and libopenmpt built for emscripten (include/, lib/, licenses/); empty: scripts/web-libraries")
set(web_prefix ${QUENTHOR_WEB_LIBRARIES})
if(NOT web_prefix)
  # Cheap once built: the script only prints its cached prefix.
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/web-libraries
                  OUTPUT_VARIABLE web_prefix OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE web_result)
  if(NOT web_result EQUAL 0 OR NOT web_prefix)
    message(FATAL_ERROR "scripts/web-libraries failed (see above); or set "
                        "QUENTHOR_WEB_LIBRARIES to SDL2 and libopenmpt built for emscripten")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${PROJECT_SOURCE_DIR}/scripts/web-libraries
               ${PROJECT_SOURCE_DIR}/cmake/web-libraries/CMakeLists.txt)
endif()
foreach(file lib/libSDL2.a lib/libopenmpt.a include/SDL2/SDL.h)
  if(NOT EXISTS ${web_prefix}/${file})
    message(FATAL_ERROR "no ${file} in ${web_prefix}")
  endif()
endforeach()
message(STATUS "SDL2 and libopenmpt for the browser: ${web_prefix}")
set(QUENTHOR_WEB_LIBRARIES_PREFIX ${web_prefix})

add_library(QuenthorWeb::SDL2 INTERFACE IMPORTED)
target_include_directories(QuenthorWeb::SDL2 INTERFACE ${web_prefix}/include/SDL2)
target_link_libraries(QuenthorWeb::SDL2 INTERFACE ${web_prefix}/lib/libSDL2.a)
add_library(QuenthorWeb::openmpt INTERFACE IMPORTED)
target_include_directories(QuenthorWeb::openmpt INTERFACE ${web_prefix}/include)
target_link_libraries(QuenthorWeb::openmpt INTERFACE ${web_prefix}/lib/libopenmpt.a)
