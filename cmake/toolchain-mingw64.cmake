# Cross-compiles for 64-bit Windows with mingw-w64, like toolchain-mingw32.cmake.
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake
# A static Qt for Windows (tools/windows-qt.sh) is found in its prefix given
# as SIGRA_WINDOWS_QT (or in the environment variable of that name), or in
# the script's default place; the host's Qt tools serve it.
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

if(NOT SIGRA_WINDOWS_QT)
  if(DEFINED ENV{SIGRA_WINDOWS_QT})
    set(SIGRA_WINDOWS_QT $ENV{SIGRA_WINDOWS_QT})
  elseif(EXISTS $ENV{HOME}/.cache/sigra/qt6-win64/sigra-qt-version)
    set(SIGRA_WINDOWS_QT $ENV{HOME}/.cache/sigra/qt6-win64)
  endif()
endif()
if(SIGRA_WINDOWS_QT)
  set(QT_HOST_PATH /usr)
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${SIGRA_MINGW_PREFIX} ${SIGRA_WINDOWS_QT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# try_compile projects read this file again: hand the Qt prefix on to them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SIGRA_WINDOWS_QT)
