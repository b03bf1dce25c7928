// The one top-level window as the main loop sees it. One implementation per
// platform: window_win32.cpp (user32 + WGL) and window_sdl.cpp (SDL2).
#pragma once

// Handles every waiting window message (and, where the platform queues
// them there, socket notifications) through the shared handlers of
// main_loop.h. Returns false once the quit request has been met.
bool pumpMessages();

// Shows the frame just drawn.
void swapBuffers();

// Forces the outer height of the main window to its outer width /
// WindowAspect (see aspectHeight), keeping its position and width.
void reshapeWindow();
