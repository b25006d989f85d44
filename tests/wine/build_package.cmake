# Brings the Windows package up to date before the Wine tests run it (cmake -DBUILD=build-windows
# -P build_package.cmake), so none of them tests a package older than its sources.
cmake_minimum_required(VERSION 3.20)
if(NOT EXISTS ${BUILD}/build.ninja)
  message(FATAL_ERROR "The Windows build isn't set up in ${BUILD}: run "
                      "`scripts/libopenmpt-windows --set-up && cmake --preset windows` first "
                      "(./test does).")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target windows_package
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Building the Windows package in ${BUILD} failed (see above).")
endif()
