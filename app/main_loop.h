// The main loop and the window-message handlers that every platform layer
// feeds: the platform turns its own events into these calls, so that what a
// message means is written once.
#pragma once
#include <cstdint>

// Window creation, after the GL context is current: the fixed GL state and
// textures, the outline font, a blank screen, the start time, the random
// seed and the starfield, in this order. Also connects the interpreter's
// reply and bell outputs.
void onWindowCreated(int clientWidth, int clientHeight);
// A new client size: the viewport and projection, and the window aspect is
// re-applied from the next pass on.
void onWindowSize(int clientWidth, int clientHeight);
// A key of keys.h pressed or released; other codes are ignored.
void onKeyDown(int key);
void onKeyUp(int key);
// The window lost the keyboard focus: no key-up will come for the keys
// held, so none counts as held any more.
void onFocusLost();
// A typed character, one byte in the Windows-1252 code page.
void onTypedChar(unsigned char c);
// A left click at client position x, y; picks a menu item while the start
// menu is shown, does nothing otherwise.
void onLeftButtonDown(int x, int y, int clientWidth, int clientHeight);
// The CONNECT action: connects to HostName (blocking) and switches the
// program to the chosen view (0 perspective, 1 rain) and window shape (0
// widescreen, 1 standard), whatever the outcome; a failed connection has
// asked to quit by then.
void startSession(int32_t displayMode, int32_t windowMode);
// Teardown of the GL resources (font lists, glyph and panel textures); the
// platform then releases the context itself.
void releaseWindowResources();

// Runs passes of messages, reshape and one frame until the quit request is
// met; returns the program's result, 1.
int runMainLoop();

// The outer height that gives a window `width` wide the aspect `aspect`:
// the quotient formed in double precision, truncated toward zero, within
// 1..32767.
int aspectHeight(int width, float aspect);
