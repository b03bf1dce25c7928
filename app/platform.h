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

// The end of a connection, or of the program after a failure: shows the
// text, if there is one, in an error box and asks the loop to quit.
inline void failAndQuit(const char* text, const char* caption)
{
    if (text) showMessageBox(text, caption, MESSAGE_ERROR);
    requestQuit(0);
}
