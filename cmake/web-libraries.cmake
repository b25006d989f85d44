# libopenmpt for the browser build, from scripts/web-libraries (which builds it once from
# Debian's source package and keeps it outside the tree), as QuenthorWeb::openmpt. The page's
# host needs no SDL2.
include(${PROJECT_SOURCE_DIR}/cmake/host-built.cmake)
quenthor_prefix_from_script(web_prefix QUENTHOR_WEB_LIBRARIES scripts/web-libraries
  "cmake/web-libraries/CMakeLists.txt;cmake/libopenmpt-unread-formats.cpp"
  "libopenmpt built for emscripten (include/, lib/, licenses/)")
foreach(file lib/libopenmpt.a include/libopenmpt/libopenmpt.h)
  if(NOT EXISTS ${web_prefix}/${file})
    message(FATAL_ERROR "no ${file} in ${web_prefix}")
  endif()
endforeach()
message(STATUS "libopenmpt for the browser: ${web_prefix}")
set(QUENTHOR_WEB_LIBRARIES_PREFIX ${web_prefix})

add_library(QuenthorWeb::openmpt INTERFACE IMPORTED)
target_include_directories(QuenthorWeb::openmpt INTERFACE ${web_prefix}/include)
target_link_libraries(QuenthorWeb::openmpt INTERFACE ${web_prefix}/lib/libopenmpt.a)
