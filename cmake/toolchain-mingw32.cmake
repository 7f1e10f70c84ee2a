# Cross build of the Windows program, 32-bit (i686), with the MinGW-w64 compilers
# of a Debian host (packages g++-mingw-w64-*). The posix thread model gives
# the whole C++ standard library (std::thread, std::mutex); the top
# CMakeLists links everything statically, so the program needs no DLL of
# the compiler.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(VAXO_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VAXO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VAXO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VAXO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VAXO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
