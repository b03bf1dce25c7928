// The Windows socket layer's notification: after sockSelectEvents, Winsock
// posts WM_SOCKET_EVENT to SocketNotifyWindow for every read, write-ready,
// connect and close event, and the window procedure hands the message's
// lParam to onWinsockEvent.
#pragma once
#include <winsock.h>

enum { WM_SOCKET_EVENT = 25252 };

extern HWND SocketNotifyWindow;   // the main window, set when it is created

void onWinsockEvent(LPARAM lParam);
