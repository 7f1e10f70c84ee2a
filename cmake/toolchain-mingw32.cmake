# Cross build of the Windows program, 32-bit (i686), with the MinGW-w64
# compilers of a Debian host (packages g++-mingw-w64-*).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VAXO_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
