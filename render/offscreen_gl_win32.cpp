// The off-screen GL context on Windows: a borderless window of the size at
// the top left of the screen, with the program's pixel format.
#include "render/offscreen_gl.h"

#include <windows.h>
#include <GL/gl.h>

#include <cstdio>

static HWND Window;
static HDC Dc;
static HGLRC Context;

bool createHeadlessContext(int width, int height)
{
    destroyHeadlessContext();
    static const PIXELFORMATDESCRIPTOR format = {
        sizeof(PIXELFORMATDESCRIPTOR), 1, PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,
        PFD_TYPE_RGBA, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0, PFD_MAIN_PLANE, 0, 0, 0, 0};
    int chosen = 0;
    if ((Window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                                  nullptr, nullptr)) &&
        (Dc = GetDC(Window)) && (chosen = ChoosePixelFormat(Dc, &format)) && SetPixelFormat(Dc, chosen, &format) &&
        (Context = wglCreateContext(Dc)) && wglMakeCurrent(Dc, Context)) {
        glViewport(0, 0, width, height);
        return true;
    }
    std::fprintf(stderr, "off-screen GL: no WGL context (error %lu)\n", GetLastError());
    destroyHeadlessContext();
    return false;
}

void destroyHeadlessContext()
{
    wglMakeCurrent(nullptr, nullptr);
    if (Context)
        wglDeleteContext(Context);
    if (Window) {
        ReleaseDC(Window, Dc);
        DestroyWindow(Window);
    }
    Window = nullptr, Dc = nullptr, Context = nullptr;
}
