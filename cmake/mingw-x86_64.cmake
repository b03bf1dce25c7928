# Cross build for 64-bit Windows with mingw-w64 (x86_64, posix threads).
# The product is the 32-bit program (mingw-i686.cmake); this build runs the
# same tests under 64-bit Wine on machines that cannot run 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
