# Cross-compiles for 64-bit Windows with mingw-w64, like toolchain-mingw32.cmake.
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake
# A static Qt for Windows (tools/windows-qt.sh) is found when its prefix is
# given as SIGRA_WINDOWS_QT (or in the environment variable of that name).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SIGRA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SIGRA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SIGRA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${SIGRA_MINGW_PREFIX}-windres)
set(CMAKE_AR ${SIGRA_MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${SIGRA_MINGW_PREFIX}-ranlib CACHE FILEPATH "")
set(CMAKE_NM ${SIGRA_MINGW_PREFIX}-nm CACHE FILEPATH "")
set(CMAKE_DLLTOOL ${SIGRA_MINGW_PREFIX}-dlltool CACHE FILEPATH "")

if(NOT SIGRA_WINDOWS_QT AND DEFINED ENV{SIGRA_WINDOWS_QT})
  set(SIGRA_WINDOWS_QT $ENV{SIGRA_WINDOWS_QT})
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${SIGRA_MINGW_PREFIX} ${SIGRA_WINDOWS_QT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# try_compile projects read this file again: hand the Qt prefix on to them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SIGRA_WINDOWS_QT)
