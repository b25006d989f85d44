# 32-bit Windows for an MMX-era x86, through Debian's mingw-w64 cross compiler. Its posix thread
# model, because GoogleTest's Windows death tests need std::mutex, which the win32 model of this
# GCC lacks; the show and fmod.dll use no threads of the C++ library, so they carry none of it.
# Everything is linked statically, so the programs need no runtime DLLs beside our own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUENTHOR_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${QUENTHOR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUENTHOR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUENTHOR_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUENTHOR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_C_FLAGS_INIT "-march=pentium-mmx -mmmx")
set(CMAKE_CXX_FLAGS_INIT "-march=pentium-mmx -mmmx")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
