# Writes the package's third-party notice (cmake -DOUTPUT=... -DHEADER=... -DOPENMPT_LICENSE=...
# -DOPENMPT_VERSION_FILE=... -DMINGW_COPYRIGHT=... -P notices.cmake): our header, then each
# licence text as its Debian source package gives it, with Windows line ends.
cmake_minimum_required(VERSION 3.20)
foreach(input HEADER OPENMPT_LICENSE OPENMPT_VERSION_FILE MINGW_COPYRIGHT)
  if(NOT EXISTS "${${input}}")
    message(FATAL_ERROR "the third-party notice needs ${${input}}, which is missing")
  endif()
endforeach()
file(READ ${HEADER} header)
file(STRINGS ${OPENMPT_VERSION_FILE} openmpt_version LIMIT_COUNT 1)
file(READ ${OPENMPT_LICENSE} openmpt)
file(READ ${MINGW_COPYRIGHT} mingw)
set(rule "--------------------------------------------------------------------------------")
set(text "${header}\n${rule}\nA. libopenmpt ${openmpt_version} (Debian source package libopenmpt, file LICENSE)\n${rule}\n\n${openmpt}\n${rule}\nB. The mingw-w64 runtime (Debian source package mingw-w64, debian/copyright)\n${rule}\n\n${mingw}")
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUTPUT} "${text}")
