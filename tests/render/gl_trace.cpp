#include "tests/render/gl_trace.h"

#include <GL/gl.h>
#include <dlfcn.h>

std::vector<TracedBegin> TracedBegins;
std::vector<unsigned> TracedLists;
bool GlTraceOn = false;

namespace {

unsigned CurrentList = 0;

template <typename F>
F next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

void glNewList(GLuint list, GLenum mode)
{
    static auto real = next<void (*)(GLuint, GLenum)>("glNewList");
    CurrentList = list;
    if (GlTraceOn)
        TracedLists.push_back(list);
    real(list, mode);
}

void glEndList()
{
    static auto real = next<void (*)()>("glEndList");
    CurrentList = 0;
    real();
}

void glBegin(GLenum mode)
{
    static auto real = next<void (*)(GLenum)>("glBegin");
    if (GlTraceOn)
        TracedBegins.push_back({CurrentList, mode});
    real(mode);
}

} // extern "C"
