// Frame rate, CPU time and heap use of the two terminal views with a full
// 80 x 26 page of text, drawn into an off-screen EGL pbuffer of the given
// size (1280 x 544 unless told) on the machine's own GL (Mesa llvmpipe
// here), and the start-up time.
//   quorvish-bench-views [--size WxH] [--seconds S] [--default-heap] [--only VIEW]
// Prints, one per line:
//   perspective_fps N, rain_fps N, perspective_cpu_ms_per_frame N,
//   rain_cpu_ms_per_frame N, perspective_scrolling_fps N,
//   perspective_scrolling_cpu_ms_per_frame N, allocations_per_1000_frames N,
//   startup_ms N
// The perspective figures are those of a page that stands still, which the
// view shows from its image once it has stood still for a moment; the
// scrolling ones those of a page that takes a new line every frame, so that
// every frame draws all its glyphs.
// CPU time counts every thread of the process (the renderer's own threads
// included). allocations_per_1000_frames counts the heap allocations the
// program's code makes while it draws 1000 frames of each view (the larger
// of the two); those the GL driver makes inside its calls are counted apart
// and shown with the details (renderer, main-thread share, tall rain
// layout) on stderr.
//
// The heap is tuned as the Linux program tunes it (mallopt: no trimming,
// no fresh mappings for big blocks), because the software renderer
// allocates and frees big vertex buffers for its draws; glibc's defaults
// hand them back to the kernel each time, and mapping them again costs a
// scrolling page more than half its rate. --default-heap measures with
// glibc's defaults instead.
//
// --only perspective|scrolling|rain|tall draws nothing but that view for the given
// time and prints its fps and CPU time alone, for a profiler to watch.
#include "app/app_state.h"
#include "render/frame.h"
#include "render/gl_setup.h"
#include "render/perspective.h"
#include "render/rain.h"
#include "render/random.h"
#include "terminal/screen.h"
#include "terminal/telnet.h"
#include "render/offscreen_gl.h"

#include <GL/gl.h>

#include <dlfcn.h>
#include <execinfo.h>
#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <unistd.h>

// ---------------------------------------------------------------------------
// Counting heap allocations. Each one made while counting is attributed by
// its call stack: to the program when the first caller outside the
// allocation functions and the C/C++ runtime is code of this executable, to
// the libraries (the GL driver) otherwise.

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);
extern char __executable_start[];
extern char etext[];
extern char __start_quorvish_alloc_hooks[];
extern char __stop_quorvish_alloc_hooks[];
}

#define ALLOCATION_HOOK __attribute__((section("quorvish_alloc_hooks"), noinline))

int View = VIEW_PERSPECTIVE;   // the view each frame draws
bool Scrolling = false;        // a new line every frame

namespace {
std::atomic<bool> Counting{false};
std::atomic<long> ProgramAllocations{0};
std::atomic<long> LibraryAllocations{0};
thread_local bool InsideHook = false;

ALLOCATION_HOOK bool isRuntime(const char* path)
{
    return std::strstr(path, "/libc.so") || std::strstr(path, "/libstdc++") ||
           std::strstr(path, "/libgcc_s") || std::strstr(path, "/libm.so");
}

ALLOCATION_HOOK bool madeByProgram()
{
    void* frames[32];
    int count = backtrace(frames, 32);
    for (int i = 0; i < count; ++i) {
        char* address = static_cast<char*>(frames[i]);
        if (address >= __start_quorvish_alloc_hooks && address < __stop_quorvish_alloc_hooks)
            continue;
        if (address >= __executable_start && address < etext)
            return true;
        Dl_info info;
        if (dladdr(address, &info) && info.dli_fname && isRuntime(info.dli_fname))
            continue;
        return false;
    }
    return true;   // nothing else on the stack: count it against the program
}

ALLOCATION_HOOK void countAllocation()
{
    if (!Counting.load(std::memory_order_relaxed) || InsideHook)
        return;
    InsideHook = true;
    if (madeByProgram())
        ProgramAllocations.fetch_add(1, std::memory_order_relaxed);
    else
        LibraryAllocations.fetch_add(1, std::memory_order_relaxed);
    InsideHook = false;
}
} // namespace

extern "C" {
ALLOCATION_HOOK void* malloc(size_t size)
{
    countAllocation();
    return __libc_malloc(size);
}
ALLOCATION_HOOK void* calloc(size_t count, size_t size)
{
    countAllocation();
    return __libc_calloc(count, size);
}
ALLOCATION_HOOK void* realloc(void* p, size_t size)
{
    countAllocation();
    return __libc_realloc(p, size);
}
ALLOCATION_HOOK void* memalign(size_t alignment, size_t size)
{
    countAllocation();
    return __libc_memalign(alignment, size);
}
ALLOCATION_HOOK void* aligned_alloc(size_t alignment, size_t size)
{
    countAllocation();
    return __libc_memalign(alignment, size);
}
ALLOCATION_HOOK int posix_memalign(void** out, size_t alignment, size_t size)
{
    countAllocation();
    void* p = __libc_memalign(alignment, size);
    if (!p)
        return 12;   // ENOMEM
    *out = p;
    return 0;
}
void free(void* p)
{
    __libc_free(p);
}
}

ALLOCATION_HOOK void* operator new(size_t size)
{
    void* p = malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}
ALLOCATION_HOOK void* operator new[](size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    free(p);
}
void operator delete[](void* p) noexcept
{
    free(p);
}
void operator delete(void* p, size_t) noexcept
{
    free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    free(p);
}

// ---------------------------------------------------------------------------

namespace {

int Width = 1280;
int Height = 544;

double clockSeconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// Milliseconds since this process was started, from the start time the
// kernel records (in clock ticks since boot).
double millisecondsSinceProcessStart()
{
    FILE* f = std::fopen("/proc/self/stat", "r");
    if (!f)
        return -1.0;
    char line[1024] = {};
    size_t n = std::fread(line, 1, sizeof line - 1, f);
    std::fclose(f);
    line[n] = 0;
    // Fields after the command name, which is in parentheses and may hold
    // spaces: the start time is field 22 of the line, the 20th after ')'.
    const char* p = std::strrchr(line, ')');
    if (!p)
        return -1.0;
    unsigned long long start = 0;
    for (int field = 3; field <= 22 && p; ++field) {
        p = std::strchr(p + 1, ' ');
        if (field == 22 && p)
            start = std::strtoull(p + 1, nullptr, 10);
    }
    double startSeconds = static_cast<double>(start) / static_cast<double>(sysconf(_SC_CLK_TCK));
    return (clockSeconds(CLOCK_BOOTTIME) - startSeconds) * 1000.0;
}

void tick()
{
    readClock(&FrameTime);
    ElapsedSeconds = elapsedBetween(StartTime, FrameTime);
}

// Every one of the 26 rows on view full of printable text.
void fillPage()
{
    static const char words[][12] = {"telnet ", "relay ", "uptime ", "load: ", "0.08, ",
                                     "users ", "/home ", "-rw-r--r-- ", "quorvish ", "4096 "};
    unsigned n = 7;
    for (int row = TOP_LINE_REST; row < SCREEN_ROWS; ++row) {
        int k = 0;
        while (k < SCREEN_COLUMNS) {
            n = n * 1103515245u + 12345u;
            const char* w = words[(n >> 16) % 10];
            for (int i = 0; w[i] && k < SCREEN_COLUMNS; ++i)
                ScreenBuffer[row * SCREEN_COLUMNS + k++] = static_cast<unsigned char>(w[i]);
        }
    }
}

// A line of 80 columns and CR LF, different every time.
void feedLine()
{
    static unsigned number = 0;
    unsigned char line[SCREEN_COLUMNS + 2];
    std::snprintf(reinterpret_cast<char*>(line), sizeof line, "%08u %-71.71s", number++,
                  "drwxr-xr-x 2 quorvish users 4096 Dec  7 21:35 telnet relay uptime load");
    line[SCREEN_COLUMNS] = '\r';
    line[SCREEN_COLUMNS + 1] = '\n';
    interpretBlock(line, sizeof line);
}

void frame()
{
    tick();
    if (Scrolling)
        feedLine();
    renderFrame(View);
    glFinish();   // the pbuffer has no swap; wait for the frame to be drawn
    if (Scrolling && scrollActive)
        advanceScroll(60.0f, SCROLL_ROWS_PER_SECOND);
}

struct Measure {
    double fps;
    double cpuMsPerFrame;       // all threads: ours and the rasterizer's
    double mainCpuMsPerFrame;   // the calling thread only
};

Measure measure(double seconds)
{
    int frames = 0;
    double wall0 = clockSeconds(CLOCK_MONOTONIC);
    double cpu0 = clockSeconds(CLOCK_PROCESS_CPUTIME_ID);
    double main0 = clockSeconds(CLOCK_THREAD_CPUTIME_ID);
    double wall = 0.0;
    while (frames < 100 || wall < seconds) {
        frame();
        ++frames;
        wall = clockSeconds(CLOCK_MONOTONIC) - wall0;
    }
    double cpu = clockSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    double main = clockSeconds(CLOCK_THREAD_CPUTIME_ID) - main0;
    return {frames / wall, cpu * 1000.0 / frames, main * 1000.0 / frames};
}

struct AllocationCount {
    long program;
    long library;
};

AllocationCount allocationsOver(int frames)
{
    ProgramAllocations = 0;
    LibraryAllocations = 0;
    Counting = true;
    for (int n = 0; n < frames; ++n)
        frame();
    Counting = false;
    return {ProgramAllocations, LibraryAllocations};
}

// Two allocations of our own, one through the C++ runtime, must be seen
// as the program's.
char* volatile Probe;
bool attributionWorks()
{
    ProgramAllocations = 0;
    LibraryAllocations = 0;
    Counting = true;
    Probe = new char[32];
    delete[] Probe;
    Probe = static_cast<char*>(std::malloc(64));
    std::free(Probe);
    Counting = false;
    return ProgramAllocations == 2 && LibraryAllocations == 0;
}

void enterRain(int tall)
{
    // As after the start menu: no emission left on the material.
    static const GLfloat none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, none);
    View = VIEW_RAIN;
    TallScreen = tall;
    initRain();
    // Steady state: drops in most columns and the page revealed.
    for (int n = 0; n < 150; ++n)
        frame();
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 3.0;
    bool defaultHeap = false;
    const char* only = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (std::strcmp(argv[i], "--default-heap") == 0)
            defaultHeap = true;
        else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc)
            only = argv[++i];
        else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
            char x = 0, rest = 0;
            if (std::sscanf(argv[++i], "%d%c%d%c", &Width, &x, &Height, &rest) != 3 || x != 'x' ||
                Width < 1 || Height < 1 || Width > 8192 || Height > 8192) {
                std::fprintf(stderr, "quorvish-bench-views: --size takes WIDTHxHEIGHT, not \"%s\"\n", argv[i]);
                return 64;
            }
        }
    }
    if (!defaultHeap) {
        mallopt(M_MMAP_THRESHOLD, 64 << 20);
        mallopt(M_TRIM_THRESHOLD, 128 << 20);
    }
    void* warmUp[4];
    backtrace(warmUp, 4);   // loads the unwinder before anything is counted
    if (!attributionWorks()) {
        std::fprintf(stderr, "allocation counting does not see the program's own allocations\n");
        return 2;
    }

    // Start-up as the program does it at window creation, then one frame.
    double atMain = millisecondsSinceProcessStart();
    if (!createHeadlessContext(Width, Height))
        return 1;
    double atContext = millisecondsSinceProcessStart();
    setUpGraphics(Width, Height);
    resizeGL(Width, Height);
    double atGraphics = millisecondsSinceProcessStart();
    clearScreen();
    readClock(&StartTime);
    seedRandom(1);   // the same drops in every run, so that runs compare
    seedStarfield();
    fillPage();
    cursorRow = HOST_LAST_ROW;
    cursorColumn = 40;
    View = VIEW_PERSPECTIVE;
    SessionRunning = 1;
    frame();
    double startup = millisecondsSinceProcessStart();

    std::fprintf(stderr, "renderer: %s (%s), pbuffer %d x %d\n",
                 reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                 reinterpret_cast<const char*>(glGetString(GL_VERSION)), Width, Height);
    std::fprintf(stderr,
                 "start-up ms (process clock, 10 ms steps): main %.0f, context %.0f, "
                 "graphics %.0f, first frame %.0f\n",
                 atMain, atContext - atMain, atGraphics - atContext, startup - atGraphics);

    if (only) {
        bool rain = std::strcmp(only, "rain") == 0, tall = std::strcmp(only, "tall") == 0;
        Scrolling = std::strcmp(only, "scrolling") == 0;
        if (!rain && !tall && !Scrolling && std::strcmp(only, "perspective") != 0) {
            std::fprintf(stderr, "quorvish-bench-views: --only takes perspective, scrolling, rain or tall\n");
            return 64;
        }
        if (rain || tall)
            enterRain(tall);
        Measure m = measure(seconds);
        std::printf("%s_fps %.1f\n%s_cpu_ms_per_frame %.2f\n%s_main_cpu_ms_per_frame %.2f\n", only,
                    m.fps, only, m.cpuMsPerFrame, only, m.mainCpuMsPerFrame);
        destroyHeadlessContext();
        return 0;
    }

    for (int n = 0; n < 30; ++n)
        frame();
    Measure perspective = measure(seconds);
    AllocationCount perspectiveAllocations = allocationsOver(1000);
    Scrolling = true;
    Measure scrolling = measure(seconds);
    Scrolling = false;

    enterRain(0);
    Measure rain = measure(seconds);
    AllocationCount rainAllocations = allocationsOver(1000);

    enterRain(1);
    Measure tall = measure(seconds);

    long allocations = perspectiveAllocations.program > rainAllocations.program
                           ? perspectiveAllocations.program
                           : rainAllocations.program;
    std::printf("perspective_fps %.1f\n", perspective.fps);
    std::printf("rain_fps %.1f\n", rain.fps);
    std::printf("perspective_cpu_ms_per_frame %.2f\n", perspective.cpuMsPerFrame);
    std::printf("rain_cpu_ms_per_frame %.2f\n", rain.cpuMsPerFrame);
    std::printf("perspective_scrolling_fps %.1f\n", scrolling.fps);
    std::printf("perspective_scrolling_cpu_ms_per_frame %.2f\n", scrolling.cpuMsPerFrame);
    std::printf("allocations_per_1000_frames %ld\n", allocations);
    std::printf("startup_ms %.0f\n", startup);
    std::fprintf(stderr,
                 "heap: %s\n"
                 "main thread cpu ms per frame: perspective %.2f, rain %.2f\n"
                 "allocations in 1000 frames, program / GL driver: perspective %ld / %ld, "
                 "rain %ld / %ld\n"
                 "rain, tall layout (40 rows): %.1f fps, %.2f cpu ms per frame, %.2f main thread\n",
                 defaultHeap ? "glibc defaults" : "tuned (mallopt)",
                 perspective.mainCpuMsPerFrame, rain.mainCpuMsPerFrame,
                 perspectiveAllocations.program, perspectiveAllocations.library,
                 rainAllocations.program, rainAllocations.library, tall.fps, tall.cpuMsPerFrame,
                 tall.mainCpuMsPerFrame);

    releaseGraphics();
    destroyHeadlessContext();
    return 0;
}
