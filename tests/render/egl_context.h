// Headless OpenGL for tests (link quorvish_egl): an EGL context on Mesa's
// surfaceless platform with an off-screen pbuffer, no display server needed.
// Desktop OpenGL, compatibility profile (display lists, selection, fog, lighting).
// On Windows (wgl_context.cpp) a window of the size with a WGL context, the
// program's pixel format (depth 16, no stencil).
#pragma once

// Creates the context with a width x height RGBA8 pbuffer (depth 24, stencil
// 8), current, the viewport at the pbuffer size, replacing any previous one.
// False, with the reason on stderr, if EGL cannot provide it.
bool createHeadlessContext(int width, int height);

// Releases the context and its pbuffer (safe to call without one).
void destroyHeadlessContext();
