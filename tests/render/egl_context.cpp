#include "tests/render/egl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <cstdio>

namespace {

EGLDisplay Display = EGL_NO_DISPLAY;
EGLSurface Surface = EGL_NO_SURFACE;
EGLContext Context = EGL_NO_CONTEXT;

bool fail(const char* what)
{
    std::fprintf(stderr, "headless GL: %s failed (EGL error 0x%04x)\n", what, eglGetError());
    destroyHeadlessContext();
    return false;
}

} // namespace

bool createHeadlessContext(int width, int height)
{
    destroyHeadlessContext();
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay)
        return fail("eglGetPlatformDisplayEXT lookup");
    Display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (Display == EGL_NO_DISPLAY)
        return fail("eglGetPlatformDisplayEXT(surfaceless)");
    EGLint major = 0, minor = 0;
    if (!eglInitialize(Display, &major, &minor))
        return fail("eglInitialize");
    if (!eglBindAPI(EGL_OPENGL_API))
        return fail("eglBindAPI(OpenGL)");

    const EGLint configAttributes[] = {
        EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
        EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
        EGL_DEPTH_SIZE, 24, EGL_STENCIL_SIZE, 8,
        EGL_NONE,
    };
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(Display, configAttributes, &config, 1, &count) || count < 1)
        return fail("eglChooseConfig");

    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    Surface = eglCreatePbufferSurface(Display, config, surfaceAttributes);
    if (Surface == EGL_NO_SURFACE)
        return fail("eglCreatePbufferSurface");
    Context = eglCreateContext(Display, config, EGL_NO_CONTEXT, nullptr);
    if (Context == EGL_NO_CONTEXT)
        return fail("eglCreateContext");
    if (!eglMakeCurrent(Display, Surface, Surface, Context))
        return fail("eglMakeCurrent");
    return true;
}

// The display stays initialised for the next context: terminating it unloads
// the driver, whose start-up allocations would then show up as leaks.
void destroyHeadlessContext()
{
    if (Display == EGL_NO_DISPLAY)
        return;
    eglMakeCurrent(Display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (Context != EGL_NO_CONTEXT)
        eglDestroyContext(Display, Context);
    if (Surface != EGL_NO_SURFACE)
        eglDestroySurface(Display, Surface);
    Surface = EGL_NO_SURFACE;
    Context = EGL_NO_CONTEXT;
}

// Leaks inside system libraries, made known to the leak checker of sanitizer
// builds in every program that uses this context: Mesa's software driver
// does not free the draw module of feedback and selection mode with its
// context (Mesa 22.3: swrast_dri.so; later versions: libgallium), and
// fontconfig keeps a block of its parsed configuration that it no longer
// points to.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:swrast_dri.so\n"
           "leak:libgallium\n"
           "leak:libfontconfig.so\n";
}
