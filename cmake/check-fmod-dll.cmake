# Checks a built fmod.dll (cmake -DOBJDUMP=... -DDLL=... -P check-fmod-dll.cmake): it exports
# exactly the sound library's six calls, with the stdcall argument sizes in their names, and
# imports only from Windows' own DLLs that it is meant to use: no compiler runtime DLL beside it.
cmake_minimum_required(VERSION 3.20)
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed")
endif()

# The export name table lists each name as "[ ordinal] name".
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(([ \t]+\\[[ 0-9]+\\] [^\n]*\n)*)"
       table "${dump}")
# Brackets would upset CMake's lists, so the names are taken out of their lines first.
string(REGEX REPLACE "[ \t]+\\[[ 0-9]+\\] ([^\n]*)\n" "\\1;" exported "${CMAKE_MATCH_1}")
list(REMOVE_ITEM exported "")
list(SORT exported)
set(expected FMUSIC_FreeSong@4 FMUSIC_LoadSong@4 FMUSIC_PlaySong@4 FSOUND_Close@0
             FSOUND_GetError@0 FSOUND_Init@12)
if(NOT exported STREQUAL expected)
  message(FATAL_ERROR "${DLL} exports [${exported}], expected exactly [${expected}]")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
set(allowed KERNEL32.DLL USER32.DLL WINMM.DLL OLE32.DLL RPCRT4.DLL MSVCRT.DLL)
foreach(import ${imports})
  string(SUBSTRING "${import}" 10 -1 name)
  string(TOUPPER "${name}" name)
  if(NOT name IN_LIST allowed)
    message(FATAL_ERROR "${DLL} imports ${name}; it may import only from [${allowed}]")
  endif()
endforeach()
