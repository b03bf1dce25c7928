// The Linux front end: the main window and its OpenGL context with SDL2,
// and the SDL events turned into the window messages of the shared main
// loop. The window is created before its context, as on Windows, so that a
// failing graphics step still leaves a window whose loop ends at once.
#include <SDL.h>
#include <SDL_syswm.h>

#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "terminal/charset.h"
#include "app/keys_sdl.h"
#include "app/main_loop.h"
#include "app/platform.h"
#include "app/platform_sdl.h"
#include "app/window.h"
#include "resources/resource.h"

namespace {

enum { CAPTION_SIZE = 128, TYPED_TEXT_SIZE = 32 };

// 0xDF is the sharp s of the Windows-1252 code page.
const char WindowCaption[] = QUORVISH_CAPTION_PREFIX "\xDF - " QUORVISH_WEB_ADDRESS;
const char ErrorCaption[] = "Error";

SDL_Window* MainWindow = nullptr;
SDL_GLContext RenderContext = nullptr;
char CaptionUtf8[CAPTION_SIZE];

// The client size the viewport was last set for, as the window system
// reports it, and the client size last asked for. Under X the size comes
// from the server's ConfigureNotify: SDL takes an asked size as granted at
// once, so where a window manager refuses it (one that keeps windows on
// the screen), SDL's own size is not the window's.
bool SizeFromX = false;
int ReportedWidth = 0, ReportedHeight = 0;
int AskedWidth = -1, AskedHeight = -1;

void fatalError(const char* text)
{
    failAndQuit(text, ErrorCaption);
}

// The GL context on the window, then the shared creation steps. A failing
// step shows its message and requests the quit; the window stays.
void createWindowGraphics()
{
    RenderContext = SDL_GL_CreateContext(MainWindow);
    if (!RenderContext) { fatalError("RC Error!"); return; }
    if (SDL_GL_MakeCurrent(MainWindow, RenderContext) != 0) { fatalError("DC and RC error!!"); return; }
    int depth = 0, doubleBuffer = 0;
    SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth);
    SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffer);
    if (depth < 16 || !doubleBuffer) { fatalError("Pixel format #2!"); return; }
    // Vertical sync where the driver offers it; otherwise frames follow
    // each other as fast as the swap allows.
    SDL_GL_SetSwapInterval(1);

    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(MainWindow, &width, &height);
    onWindowCreated(width, height);
}

// Teardown on a close request: the GL resources and the context, once;
// then the quit request. The window itself stays until the process ends.
void closeWindow()
{
    if (RenderContext) {
        releaseWindowResources();
        SDL_GL_MakeCurrent(MainWindow, nullptr);
        SDL_GL_DeleteContext(RenderContext);
        RenderContext = nullptr;
    }
    requestQuit(0);
}

// A new client size: the user's drag, or the window manager's answer to
// the size asked last. Either way the aspect is wanted anew, and may be
// asked for again.
void reportClientSize(int width, int height)
{
    if (width == ReportedWidth && height == ReportedHeight) return;
    ReportedWidth = width;
    ReportedHeight = height;
    AskedWidth = AskedHeight = -1;
    onWindowSize(width, height);
}

// The client size as it is now: asked of the X server where there is one.
void sendClientSize()
{
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(MainWindow, &width, &height);
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    XWindowAttributes attributes;
    if (SizeFromX && SDL_GetWindowWMInfo(MainWindow, &info) &&
        XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes)) {
        width = attributes.width;
        height = attributes.height;
    }
#endif
    reportClientSize(width, height);
}

void handleSystemEvent(const SDL_SysWMmsg* message)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    if (message->subsystem != SDL_SYSWM_X11) return;
    const XEvent& event = message->msg.x11.event;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (event.type == ConfigureNotify && SDL_GetWindowWMInfo(MainWindow, &info) &&
        event.xconfigure.window == info.info.x11.window)
        reportClientSize(event.xconfigure.width, event.xconfigure.height);
#else
    (void)message;
#endif
}

void handleKeyDown(const SDL_KeyboardEvent& key)
{
    onKeyDown(keyFor(key.keysym.scancode));
    int typed = typedCharForKey(key.keysym.sym, key.keysym.mod);
    if (typed >= 0) onTypedChar(static_cast<unsigned char>(typed));
}

void handleTextInput(const SDL_TextInputEvent& text)
{
    unsigned char bytes[TYPED_TEXT_SIZE];
    int count = typedCharsForText(text.text, static_cast<Uint16>(SDL_GetModState()), bytes,
                                  TYPED_TEXT_SIZE);
    for (int i = 0; i < count; ++i) onTypedChar(bytes[i]);
}

void handleWindowEvent(const SDL_WindowEvent& event)
{
    if (event.windowID != SDL_GetWindowID(MainWindow)) return;
    switch (event.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        if (!SizeFromX) sendClientSize();
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST: onFocusLost(); break;
    case SDL_WINDOWEVENT_CLOSE: closeWindow(); break;
    default: break;
    }
}

void handleClick(const SDL_MouseButtonEvent& button)
{
    if (button.button != SDL_BUTTON_LEFT || button.windowID != SDL_GetWindowID(MainWindow)) return;
    int width = 0, height = 0;
    SDL_GetWindowSize(MainWindow, &width, &height);
    onLeftButtonDown(button.x, button.y, width, height);
}

// The window's frame, zero when there is no window manager.
void getBorders(int* top, int* left, int* bottom, int* right)
{
    if (SDL_GetWindowBordersSize(MainWindow, top, left, bottom, right) != 0)
        *top = *left = *bottom = *right = 0;
}

// SDL gives the X11 title property (WM_NAME, of type STRING, which is
// Latin-1) the UTF-8 bytes; the Windows-1252 caption is the right Latin-1
// text for it. The UTF-8 title (_NET_WM_NAME) stays as SDL set it. Under X
// the client size is taken from the server's own events from here on.
void setUpX11Window()
{
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(MainWindow, &info) || info.subsystem != SDL_SYSWM_X11) return;
    SizeFromX = true;
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    XChangeProperty(info.info.x11.display, info.info.x11.window, XA_WM_NAME, XA_STRING, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(WindowCaption),
                    static_cast<int>(std::strlen(WindowCaption)));
#endif
}

}  // namespace

bool pumpMessages()
{
    bool quit = false;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_USEREVENT:
            if (event.user.code == QUIT_REQUEST_CODE) quit = true;
            break;
        case SDL_QUIT:   // interrupt or terminate signal: treated as a close
            closeWindow();
            break;
        case SDL_WINDOWEVENT: handleWindowEvent(event.window); break;
        case SDL_KEYDOWN: handleKeyDown(event.key); break;
        case SDL_KEYUP: {
            onKeyUp(keyFor(event.key.keysym.scancode));
            break;
        }
        case SDL_TEXTINPUT: handleTextInput(event.text); break;
        case SDL_MOUSEBUTTONDOWN: handleClick(event.button); break;
        case SDL_SYSWMEVENT: handleSystemEvent(event.syswm.msg); break;
        default: break;
        }
    }
    return !quit;
}

void swapBuffers()
{
    SDL_GL_SwapWindow(MainWindow);
}

void reshapeWindow()
{
    int top, left, bottom, right;
    getBorders(&top, &left, &bottom, &right);
    const int width = ReportedWidth;
    int height = aspectHeight(width + left + right, WindowAspect) - top - bottom;
    if (height < 1) height = 1;
    // Asked once per size the window comes to: a window manager that
    // refuses the size (and so reports nothing new) is not asked again on
    // every pass, and the window keeps the size it has.
    if (height == ReportedHeight || (width == AskedWidth && height == AskedHeight)) return;
    AskedWidth = width;
    AskedHeight = height;
    SDL_SetWindowSize(MainWindow, width, height);
}

bool openMainWindow()
{
    // The close button ends the program through the window's own close
    // event; a click that activates the window also counts as a click.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // A window among others: the desktop's compositor stays on.
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        fatalError("Window class error!");
        return false;
    }

    // Outer size: the desktop's width by half its height, at the top left.
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) {
        desktop.w = 640;
        desktop.h = 480;
    }
    const int outerWidth = desktop.w;
    const int outerHeight = desktop.h / 2;

    // Double-buffered RGBA with at least 16 colour bits and a 16-bit depth
    // buffer; a legacy context, which serves OpenGL 1.1.
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_BUFFER_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);

    cp1252ToUtf8(WindowCaption, CaptionUtf8, CAPTION_SIZE);
    const Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN;
    MainWindow = SDL_CreateWindow(CaptionUtf8, 0, 0, outerWidth, outerHeight, flags | SDL_WINDOW_OPENGL);
    // Without a matching GL visual the window comes without GL, and the
    // pixel-format error ends the program after its first look at the queue.
    const bool pixelFormatFound = MainWindow != nullptr;
    if (!MainWindow) MainWindow = SDL_CreateWindow(CaptionUtf8, 0, 0, outerWidth, outerHeight, flags);
    if (!MainWindow) {
        fatalError("Window creation error!");
        return false;
    }

    setUpX11Window();

    if (pixelFormatFound)
        createWindowGraphics();
    else
        fatalError("Sorry dude. Pixel format error!");

    SDL_ShowWindow(MainWindow);
    SDL_RaiseWindow(MainWindow);
    // A window manager's frame counts in the outer size.
    int top, left, bottom, right;
    getBorders(&top, &left, &bottom, &right);
    if (top || left || bottom || right)
        SDL_SetWindowSize(MainWindow, outerWidth - left - right, outerHeight - top - bottom);
    // The first size message, which starts the reshaping.
    sendClientSize();
    SDL_StartTextInput();
    return true;
}

void closeMainWindow()
{
    SDL_Quit();
}
