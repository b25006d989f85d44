# Packs the Windows zip the same way from the same files, wherever and whenever it is built:
# cmake -DZIP_PROGRAM=... -DZIP=... -DFOLDER=NAME -DEPOCH=SECONDS -P pack-zip.cmake, run beside
# FOLDER. Every entry gets the commit's time and one mode (programs 755, the rest 644), in name
# order. Info-ZIP's zip, because libarchive's zip entries carry each file's access and change
# times; -X leaves out those and the owner, and the entries' DOS times are read in UTC.
cmake_minimum_required(VERSION 3.20)
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${FOLDER}/*)
list(SORT files)
foreach(file ${files})
  if(file MATCHES "\\.(exe|dll)$")
    file(CHMOD ${file} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                   WORLD_READ WORLD_EXECUTE)
  else()
    file(CHMOD ${file} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endif()
endforeach()
file(REMOVE ${ZIP})
execute_process(COMMAND touch -d @${EPOCH} ${files} COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIP_PROGRAM} -X -D -q ${ZIP} ${files}
                COMMAND_ERROR_IS_FATAL ANY)
