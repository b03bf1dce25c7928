// The Windows front end: WinMain, the window class and main window, the
// pixel format, palette and WGL context, the window procedure and the
// message pump under the shared main loop.
#include "app/window_win32.h"

#include <cstdlib>

#include "app/app_state.h"
#include "app/keys.h"
#include "app/main_loop.h"
#include "app/platform.h"
#include "app/window.h"
#include "net/connection.h"
#include "net/socket_win32.h"
#include "resources/resource.h"

HWND MainWindow = nullptr;
HDC WindowDC = nullptr;
HGLRC RenderContext = nullptr;

namespace {

const char WindowClassName[] = "OpenGL Window";
// 0xDF is the sharp s of the Windows-1252 code page.
const char WindowCaption[] = QUORVISH_CAPTION_PREFIX "\xDF - " QUORVISH_WEB_ADDRESS;
const char ErrorCaption[] = "Error";

HPALETTE Palette = nullptr;

const PIXELFORMATDESCRIPTOR PixelFormat = {
    sizeof(PIXELFORMATDESCRIPTOR),  // 40
    1,
    PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,
    PFD_TYPE_RGBA,
    16,                              // colour bits
    0, 0, 0, 0, 0, 0,                // colour bits and shifts
    0, 0,                            // alpha bits and shift
    0, 0, 0, 0, 0,                   // accumulation bits
    16,                              // depth bits
    0, 0,                            // stencil bits, auxiliary buffers
    PFD_MAIN_PLANE,
    0, 0, 0, 0,
};

void fatalError(const char* text)
{
    showMessageBox(text, ErrorCaption, MESSAGE_ERROR);
    PostQuitMessage(0);
}

// Builds and realizes a logical palette when the pixel format on WindowDC
// needs one; true-colour formats get none.
void setupPalette()
{
    PIXELFORMATDESCRIPTOR format;
    int index = GetPixelFormat(WindowDC);
    DescribePixelFormat(WindowDC, index, sizeof(format), &format);
    if (!(format.dwFlags & PFD_NEED_PALETTE)) return;

    int count = 1 << format.cColorBits;
    LOGPALETTE* table = static_cast<LOGPALETTE*>(
        std::malloc(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY)));
    if (!table) return;
    table->palVersion = 0x300;
    table->palNumEntries = static_cast<WORD>(count);

    BYTE redMax = static_cast<BYTE>((1 << format.cRedBits) - 1);
    BYTE greenMax = static_cast<BYTE>((1 << format.cGreenBits) - 1);
    BYTE blueMax = static_cast<BYTE>((1 << format.cBlueBits) - 1);
    for (int i = 0; i < count; ++i) {
        // A channel without bits (maximum 0) stays black rather than
        // dividing by zero.
        PALETTEENTRY& entry = table->palPalEntry[i];
        entry.peRed = redMax ? static_cast<BYTE>(((i >> format.cRedShift) & redMax) * 255.0 / redMax) : 0;
        entry.peGreen = greenMax
            ? static_cast<BYTE>(((i >> format.cGreenShift) & greenMax) * 255.0 / greenMax) : 0;
        entry.peBlue = blueMax ? static_cast<BYTE>(((i >> format.cBlueShift) & blueMax) * 255.0 / blueMax) : 0;
        entry.peFlags = 0;
    }
    Palette = CreatePalette(table);
    SelectPalette(WindowDC, Palette, FALSE);
    RealizePalette(WindowDC);
    std::free(table);
}

// WM_CREATE: the device context, pixel format, palette and GL context, then
// the shared creation steps. A failing step shows its message and posts the
// quit request; the window is still created.
void createWindowGraphics(HWND window)
{
    // The handles are known from here on; socket events go to this window.
    MainWindow = window;
    SocketNotifyWindow = window;

    WindowDC = GetDC(window);
    if (!WindowDC) { fatalError("Sorry buddy. DC error!"); return; }
    int format = ChoosePixelFormat(WindowDC, &PixelFormat);
    if (!format) { fatalError("Sorry dude. Pixel format error!"); return; }
    if (!SetPixelFormat(WindowDC, format, &PixelFormat)) { fatalError("Pixel format #2!"); return; }
    setupPalette();
    RenderContext = wglCreateContext(WindowDC);
    if (!RenderContext) { fatalError("RC Error!"); return; }
    if (!wglMakeCurrent(WindowDC, RenderContext)) { fatalError("DC and RC error!!"); return; }

    RECT client;
    GetClientRect(window, &client);
    onWindowCreated(client.right - client.left, client.bottom - client.top);
}

// WM_CLOSE and WM_DESTROY: GL resources, context and device context go,
// once; then the quit request.
void teardown(HWND window)
{
    if (RenderContext) {
        releaseWindowResources();
        wglMakeCurrent(WindowDC, nullptr);
        wglDeleteContext(RenderContext);
        RenderContext = nullptr;
    }
    if (WindowDC) {
        ReleaseDC(window, WindowDC);
        WindowDC = nullptr;
    }
    PostQuitMessage(0);
}

// The program's code (keys.h) for a virtual-key code.
int keyFor(WPARAM virtualKey)
{
    switch (virtualKey) {
    case VK_END: return KEY_END;
    case VK_HOME: return KEY_HOME;
    default: return KEY_NONE;
    }
}

}  // namespace

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        createWindowGraphics(window);
        return 0;
    case WM_SIZE:
        onWindowSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_KEYDOWN:
        onKeyDown(keyFor(wParam));
        return 0;
    case WM_KEYUP:
        onKeyUp(keyFor(wParam));
        return 0;
    case WM_KILLFOCUS:
        onFocusLost();
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_CHAR:
        onTypedChar(static_cast<unsigned char>(wParam & 0xFF));
        return 0;
    case WM_LBUTTONDOWN: {
        // The pick works in the client area, the surface the menu is drawn on.
        RECT client;
        GetClientRect(window, &client);
        onLeftButtonDown(LOWORD(lParam), HIWORD(lParam), client.right - client.left,
                         client.bottom - client.top);
        return 0;
    }
    case WM_SOCKET_EVENT:
        onWinsockEvent(lParam);
        return 0;
    case WM_CLOSE:
        // Not passed on: the window stays until the process ends.
        teardown(window);
        return 0;
    case WM_DESTROY:
        disconnect();
        teardown(window);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool pumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!GetMessageA(&message, nullptr, 0, 0)) return false;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}

void swapBuffers()
{
    SwapBuffers(WindowDC);
}

void reshapeWindow()
{
    RECT outer;
    GetWindowRect(MainWindow, &outer);
    int width = outer.right - outer.left;
    MoveWindow(MainWindow, outer.left, outer.top, width, aspectHeight(width, WindowAspect), TRUE);
}

bool openMainWindow()
{
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);

    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = WindowClassName;
    if (!RegisterClassA(&windowClass)) {
        fatalError("Window class error!");
        return false;
    }

    HWND window = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, WindowClassName, WindowCaption,
                                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                                  desktop.right, desktop.bottom / 2, nullptr, nullptr, instance,
                                  nullptr);
    if (!window) {
        fatalError("Window creation error!");
        return false;
    }

    // Showing the window sends its first WM_SIZE, which starts the reshaping.
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    SetFocus(window);
    wglMakeCurrent(WindowDC, RenderContext);
    return true;
}

void closeMainWindow()
{
    // Nothing: the window procedure released the graphics when the window
    // was closed, and the rest goes with the process.
}
