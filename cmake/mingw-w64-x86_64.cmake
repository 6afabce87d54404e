# Cross build for 64-bit Windows with Debian's MinGW-w64, posix thread model (std::thread,
# std::mutex and std::condition_variable need it; the win32 model lacks them in GCC 12).
# Used for the project (build-windows/) and for the Qt and libjpeg-turbo that
# tools/build-windows-libs.sh builds for it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SIMPLESCOPE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SIMPLESCOPE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SIMPLESCOPE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SIMPLESCOPE_MINGW_TRIPLE}-windres)

# Target libraries and headers come from the MinGW root and from the folders the caller adds to
# CMAKE_PREFIX_PATH (the cache of Qt and libjpeg-turbo); programs always from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${SIMPLESCOPE_MINGW_TRIPLE})
# SIMPLESCOPE_WINDOWS_LIBS: the folder tools/build-windows-libs.sh made (Qt, libjpeg-turbo).
if(SIMPLESCOPE_WINDOWS_LIBS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${SIMPLESCOPE_WINDOWS_LIBS})
  list(APPEND CMAKE_PREFIX_PATH ${SIMPLESCOPE_WINDOWS_LIBS})
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SIMPLESCOPE_WINDOWS_LIBS)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
