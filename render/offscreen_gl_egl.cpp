#include "render/offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <cstdio>

static EGLDisplay Display = EGL_NO_DISPLAY;
static EGLSurface Surface = EGL_NO_SURFACE;
static EGLContext Context = EGL_NO_CONTEXT;

bool createHeadlessContext(int width, int height)
{
    destroyHeadlessContext();
    const EGLint configAttributes[] = {
        EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8,
        EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8, EGL_DEPTH_SIZE, 24, EGL_STENCIL_SIZE, 8, EGL_NONE,
    };
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if ((Display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr)) != EGL_NO_DISPLAY &&
        eglInitialize(Display, nullptr, nullptr) && eglBindAPI(EGL_OPENGL_API) &&
        eglChooseConfig(Display, configAttributes, &config, 1, &count) && count == 1 &&
        (Surface = eglCreatePbufferSurface(Display, config, surfaceAttributes)) != EGL_NO_SURFACE &&
        (Context = eglCreateContext(Display, config, EGL_NO_CONTEXT, nullptr)) != EGL_NO_CONTEXT &&
        eglMakeCurrent(Display, Surface, Surface, Context))
        return true;
    std::fprintf(stderr, "off-screen GL: no surfaceless EGL context (EGL error 0x%04x)\n", eglGetError());
    destroyHeadlessContext();
    return false;
}

// The display stays initialised (terminating it unloads the driver, whose
// allocations then show up as leaks); calls on dead handles upset the leak checker.
void destroyHeadlessContext()
{
    if (Display != EGL_NO_DISPLAY) {
        eglMakeCurrent(Display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (Context != EGL_NO_CONTEXT)
            eglDestroyContext(Display, Context);
        if (Surface != EGL_NO_SURFACE)
            eglDestroySurface(Display, Surface);
    }
    Surface = EGL_NO_SURFACE;
    Context = EGL_NO_CONTEXT;
}

// Leaks inside Mesa's software driver (the draw module of feedback and
// selection mode outlives its context) and fontconfig, for sanitizer builds.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:swrast_dri.so\nleak:libgallium\nleak:libfontconfig.so\n";
}
