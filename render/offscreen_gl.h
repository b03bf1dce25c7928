// An OpenGL context to draw into without the program's window, for the
// bench and the tests (link quorvish_offscreen_gl). On Linux
// (offscreen_gl_egl.cpp) an EGL context on Mesa's surfaceless platform with
// an off-screen pbuffer, no display server needed: desktop OpenGL,
// compatibility profile (display lists, selection, fog, lighting). On
// Windows (offscreen_gl_win32.cpp) a window of the size with a WGL context
// and the program's pixel format (depth 16, no stencil).
#pragma once

// Creates the context with a width x height RGBA8 surface (on Linux a
// pbuffer, depth 24, stencil 8), current, the viewport at its size,
// replacing any previous one. False, with the reason on stderr, if there
// is none to be had.
bool createHeadlessContext(int width, int height);

// Releases the context and its pbuffer (safe to call without one).
void destroyHeadlessContext();
