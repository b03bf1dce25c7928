// The Windows handles of the main window, for the Windows-only code that
// needs them (the outline font, bitmap reading, the connect dialog), and
// its window procedure.
#pragma once
#include <windows.h>

extern HINSTANCE AppInstance;   // the program's module
extern HWND MainWindow;         // the one top-level window
extern HDC WindowDC;            // its own device context, kept for the run
extern HGLRC RenderContext;     // the OpenGL context on WindowDC

// The main window's window procedure: what each window message means.
LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
