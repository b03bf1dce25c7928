// The one top-level window as the main loop sees it. One implementation per
// platform: window_win32.cpp (user32 + WGL) and window_sdl.cpp (SDL2).
#pragma once

// Creates and shows the main window with its OpenGL context, running the
// creation steps (onWindowCreated) on the way. False, after its message
// box, when there is no window at all; a failing graphics step shows its
// box and asks to quit, and the window stays for the loop to meet the quit.
bool openMainWindow();
// What is left to release after the main loop has ended.
void closeMainWindow();

// Handles every waiting window message (and, where the platform queues
// them there, socket notifications) through the shared handlers of
// main_loop.h. Returns false once the quit request has been met.
bool pumpMessages();

// Shows the frame just drawn.
void swapBuffers();

// Forces the outer height of the main window to its outer width /
// WindowAspect (see aspectHeight), keeping its position and width.
void reshapeWindow();
