// Frame counter for programs we cannot change: loaded with LD_PRELOAD, it
// counts the buffer swaps of eglSwapBuffers and glXSwapBuffers and appends
// one line per second to the file named by QUORVISH_SWAP_LOG:
//   <seconds since the first swap> <swaps in this interval> <interval seconds>
// Lines are written as they fall due, so the count survives the program
// being killed. Each wrapper hands the call on to the next definition of its
// name (the real library's).
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

double FirstSwap = -1.0;
double IntervalStart = 0.0;
long IntervalSwaps = 0;

void countSwap()
{
    double t = now();
    if (FirstSwap < 0.0) {
        FirstSwap = t;
        IntervalStart = t;
    }
    ++IntervalSwaps;
    if (t - IntervalStart < 1.0)
        return;
    static int logFile = -2;
    if (logFile == -2) {
        const char* path = getenv("QUORVISH_SWAP_LOG");
        logFile = path ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
    }
    if (logFile >= 0) {
        char line[96];
        int n = std::snprintf(line, sizeof line, "%.3f %ld %.6f\n", t - FirstSwap, IntervalSwaps, t - IntervalStart);
        if (n > 0 && write(logFile, line, static_cast<size_t>(n)) < 0)
            logFile = -1;
    }
    IntervalStart = t;
    IntervalSwaps = 0;
}

template <typename Function>
Function next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

// Opaque handles: nothing here looks inside them.
using EglSwap = unsigned (*)(void*, void*);
using GlxSwap = void (*)(void*, unsigned long);

__attribute__((visibility("default"))) unsigned eglSwapBuffers(void* display, void* surface)
{
    static EglSwap real = next<EglSwap>("eglSwapBuffers");
    countSwap();
    return real ? real(display, surface) : 0;
}

__attribute__((visibility("default"))) void glXSwapBuffers(void* display, unsigned long drawable)
{
    static GlxSwap real = next<GlxSwap>("glXSwapBuffers");
    countSwap();
    if (real)
        real(display, drawable);
}
}
