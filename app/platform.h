// What the shared code asks of the platform beyond the window: message
// boxes, the quit request and the bell. One implementation per front end.
#pragma once

enum { MESSAGE_ERROR = 0, MESSAGE_INFORMATION = 1 };

// A modal message box with no owner window.
void showMessageBox(const char* text, const char* caption, int icon);
// Asks the main loop to end at its next look at the message queue.
void requestQuit(int exitCode);
// A short alert sound that does not block.
void playBell();
