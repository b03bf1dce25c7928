# Which source files the platform being built takes. A file named
# foo_<suffix>.cpp belongs to the platforms of its suffix; every other .cpp
# of a folder is shared code and is built everywhere.
set(QUORVISH_ALL_SUFFIXES win32 posix sdl fltk freetype embedded)
if(WIN32)
  set(QUORVISH_PLATFORM_SUFFIXES win32)
else()
  set(QUORVISH_PLATFORM_SUFFIXES posix sdl fltk freetype embedded)
endif()

# quorvish_sources(<var> [FILES <file>...]): the shared and this platform's
# files among the given ones, or among the .cpp files of the current source
# folder.
function(quorvish_sources var)
  cmake_parse_arguments(ARG "" "" "FILES" ${ARGN})
  set(candidates ${ARG_FILES})
  if(NOT candidates)
    file(GLOB candidates CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  set(chosen)
  foreach(file ${candidates})
    get_filename_component(name ${file} NAME_WE)
    set(take ON)
    foreach(suffix ${QUORVISH_ALL_SUFFIXES})
      if(name MATCHES "_${suffix}$" AND NOT suffix IN_LIST QUORVISH_PLATFORM_SUFFIXES)
        set(take OFF)
      endif()
    endforeach()
    if(take)
      list(APPEND chosen ${file})
    endif()
  endforeach()
  set(${var} ${chosen} PARENT_SCOPE)
endfunction()
