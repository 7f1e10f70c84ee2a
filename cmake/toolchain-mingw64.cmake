# Cross build of the Windows program, 64-bit (x86-64), with the MinGW-w64
# compilers of a Debian host (packages g++-mingw-w64-*).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VAXO_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
