# 32-bit Windows for an MMX-era x86, through Debian's mingw-w64 cross compiler, for Windows XP
# SP3 and later. The win32 thread model: its C++ library locks with Windows' own critical
# sections, where the posix model links winpthreads, which needs Vista (GetTickCount64).
# Everything is linked statically, so the programs need no runtime DLLs beside our own.
# (The Windows test programs use GoogleTest, which needs std::mutex: tests/windows builds them
# with the posix model, QUENTHOR_MINGW_THREADS=posix.)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUENTHOR_MINGW_PREFIX i686-w64-mingw32)
if(NOT QUENTHOR_MINGW_THREADS)
  set(QUENTHOR_MINGW_THREADS win32)
endif()
set(CMAKE_C_COMPILER ${QUENTHOR_MINGW_PREFIX}-gcc-${QUENTHOR_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${QUENTHOR_MINGW_PREFIX}-g++-${QUENTHOR_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${QUENTHOR_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUENTHOR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# XP's headers' view of the system: nothing newer can be called by accident.
set(CMAKE_C_FLAGS_INIT "-march=pentium-mmx -mmmx -D_WIN32_WINNT=0x0501 -DWINVER=0x0501")
set(CMAKE_CXX_FLAGS_INIT "-march=pentium-mmx -mmmx -D_WIN32_WINNT=0x0501 -DWINVER=0x0501")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
