# Cross build of the 32-bit Windows program with mingw-w64 (i686, posix threads).
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
