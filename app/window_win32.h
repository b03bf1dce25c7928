// The Windows handles of the main window and its window procedure, for
// the Windows program's own code and its tests.
#pragma once
#include <windows.h>

extern HWND MainWindow;         // the one top-level window
extern HDC WindowDC;            // its own device context, kept for the run
extern HGLRC RenderContext;     // the OpenGL context on WindowDC

// The main window's window procedure: what each window message means.
LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
