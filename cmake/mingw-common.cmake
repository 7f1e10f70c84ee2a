# What both MinGW-w64 cross builds share; the toolchain files set
# CMAKE_SYSTEM_PROCESSOR and VAXO_MINGW_TRIPLE first. The posix thread model
# gives the whole C++ standard library; the top CMakeLists links everything
# statically, so the program needs no DLL of the compiler.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VAXO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VAXO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VAXO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VAXO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
