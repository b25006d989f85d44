# SDL2 and libopenmpt for the browser build, from scripts/web-libraries (which builds them once
# from Debian's source packages and keeps them outside the tree), as QuenthorWeb::SDL2Headers and
# QuenthorWeb::openmpt.
include(${PROJECT_SOURCE_DIR}/cmake/host-built.cmake)
quenthor_prefix_from_script(web_prefix QUENTHOR_WEB_LIBRARIES scripts/web-libraries
  "cmake/web-libraries/CMakeLists.txt;cmake/web-libraries/sdl-config/SDL_config.h;\
cmake/web-libraries/sdl-unused-drawing.c;cmake/libopenmpt-unread-formats.cpp"
  "SDL2 and libopenmpt built for emscripten (include/, lib/, licenses/)")
foreach(file lib/libSDL2.a lib/libopenmpt.a include/SDL2/SDL.h)
  if(NOT EXISTS ${web_prefix}/${file})
    message(FATAL_ERROR "no ${file} in ${web_prefix}")
  endif()
endforeach()
message(STATUS "SDL2 and libopenmpt for the browser: ${web_prefix}")
set(QUENTHOR_WEB_LIBRARIES_PREFIX ${web_prefix})

# The page's host links no SDL2: only its names of the keys are read.
add_library(QuenthorWeb::SDL2Headers INTERFACE IMPORTED)
target_include_directories(QuenthorWeb::SDL2Headers INTERFACE ${web_prefix}/include/SDL2)
add_library(QuenthorWeb::openmpt INTERFACE IMPORTED)
target_include_directories(QuenthorWeb::openmpt INTERFACE ${web_prefix}/include)
target_link_libraries(QuenthorWeb::openmpt INTERFACE ${web_prefix}/lib/libopenmpt.a)
