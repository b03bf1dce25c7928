# Which source files the platform being built takes. A file named
# foo_<suffix>.cpp belongs to the platforms of its suffix; every other .cpp
# of a folder is shared code and is built everywhere.
set(QUORVISH_ALL_SUFFIXES win32 posix sdl fltk freetype embedded egl)
if(WIN32)
  set(QUORVISH_PLATFORM_SUFFIXES win32)
else()
  set(QUORVISH_PLATFORM_SUFFIXES posix sdl fltk freetype embedded egl)
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

# The system libraries, chosen here once for the platform being built, as
# interface targets that the parts of the tree link:
#   quorvish_sys_gl       OpenGL 1.1 and GLU
#   quorvish_sys_font     where the outline font comes from
#   quorvish_sys_sockets  the socket layer
#   quorvish_sys_window   window, GL context, input, dialogs, message boxes, bell
#   quorvish_sys_egl      (Linux) the headless GL context of the tests and the bench
foreach(part gl font sockets window egl)
  add_library(quorvish_sys_${part} INTERFACE)
endforeach()
if(WIN32)
  target_link_libraries(quorvish_sys_gl INTERFACE opengl32 glu32)
  target_link_libraries(quorvish_sys_font INTERFACE gdi32)
  target_link_libraries(quorvish_sys_sockets INTERFACE wsock32)
  target_link_libraries(quorvish_sys_window INTERFACE gdi32 winmm)
else()
  # GLVND: libOpenGL serves the program's GLX context and the EGL context of
  # the tests and the bench alike.
  set(OpenGL_GL_PREFERENCE GLVND)
  find_package(OpenGL REQUIRED COMPONENTS OpenGL EGL)
  if(NOT TARGET OpenGL::GLU)
    message(FATAL_ERROR "GLU not found (libglu1-mesa-dev)")
  endif()
  find_package(Freetype REQUIRED)
  find_package(Fontconfig REQUIRED)
  find_package(SDL2 REQUIRED)
  find_package(X11 REQUIRED)   # the Latin-1 window title and the FLTK display
  # Debian's FLTK CMake package needs fluid; the header and library will do.
  find_path(QUORVISH_FLTK_INCLUDE FL/Fl.H REQUIRED)
  find_library(QUORVISH_FLTK_LIBRARY fltk REQUIRED)
  target_link_libraries(quorvish_sys_gl INTERFACE OpenGL::OpenGL OpenGL::GLU)
  target_link_libraries(quorvish_sys_font INTERFACE Freetype::Freetype Fontconfig::Fontconfig)
  target_link_libraries(quorvish_sys_window INTERFACE SDL2::SDL2 X11::X11 ${QUORVISH_FLTK_LIBRARY})
  target_include_directories(quorvish_sys_window INTERFACE ${QUORVISH_FLTK_INCLUDE})
  target_link_libraries(quorvish_sys_egl INTERFACE OpenGL::OpenGL OpenGL::EGL)
endif()
