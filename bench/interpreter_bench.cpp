// Interpreter throughput in MB/s over three streams, fed in receive-sized
// blocks, and the same streams through libvterm as a reference.
//   quorvish-bench-interpreter [--seconds S]
// Prints one line per stream: name, our MB/s, libvterm's MB/s, the ratio.
#include "terminal/screen.h"
#include "terminal/telnet.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef HAVE_VTERM
#include <vterm.h>
#endif

namespace {

const int BLOCK = 2048;

std::string textLines(size_t bytes)
{
    std::string s;
    const char* words[] = {"lorem ", "ipsum ", "dolor ", "sit ", "amet, ", "telnet ", "host ", "x "};
    unsigned n = 1;
    while (s.size() < bytes) {
        std::string line;
        while (line.size() < 80) {
            n = n * 1103515245u + 12345u;
            line += words[(n >> 16) % 8];
        }
        line.resize(80);
        s += line + "\r\n";
    }
    return s;
}

// A full-screen program repainting: every row positioned, written, erased.
std::string fullScreen(size_t bytes)
{
    std::string s;
    char buf[64];
    unsigned frame = 0;
    while (s.size() < bytes) {
        for (int row = 1; row <= 20; ++row) {
            snprintf(buf, sizeof buf, "\x1b[%d;1H", row);
            s += buf;
            snprintf(buf, sizeof buf, "%5u %-6s %8u %5.1f%% ", frame + row, "proc", frame * 7 + row,
                     (frame % 100) / 10.0);
            s += buf;
            s += "\x1b[K";
            snprintf(buf, sizeof buf, "\x1b[%d;60H%02u:%02u", row, frame % 60, row);
            s += buf;
        }
        s += "\x1b[20;1H";
        ++frame;
    }
    return s;
}

std::string lineFeeds(size_t bytes) { return std::string(bytes, '\n'); }

void feedOurs(const std::string& s)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
    for (size_t at = 0; at < s.size(); at += BLOCK)
        interpretBlock(p + at, static_cast<int>(std::min<size_t>(BLOCK, s.size() - at)));
}

#ifdef HAVE_VTERM
void feedVterm(const std::string& s)
{
    static VTerm* vt = nullptr;
    if (!vt) {
        vt = vterm_new(20, 80);
        vterm_set_utf8(vt, 0);
        VTermScreen* screen = vterm_obtain_screen(vt);
        vterm_screen_reset(screen, 1);
    }
    for (size_t at = 0; at < s.size(); at += BLOCK)
        vterm_input_write(vt, s.data() + at, std::min<size_t>(BLOCK, s.size() - at));
}
#endif

// Best MB/s of repeated runs over at least `seconds`.
double measure(void (*feed)(const std::string&), const std::string& s, double seconds)
{
    using Clock = std::chrono::steady_clock;
    double best = 0;
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    int runs = 0;
    while (Clock::now() < end || runs < 3) {
        resetTerminal();
        const auto t0 = Clock::now();
        feed(s);
        const double dt = std::chrono::duration<double>(Clock::now() - t0).count();
        best = std::max(best, static_cast<double>(s.size()) / 1e6 / dt);
        ++runs;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    double seconds = 2.0;
    if (argc == 3 && strcmp(argv[1], "--seconds") == 0)
        seconds = atof(argv[2]);
    struct Stream { const char* name; std::string bytes; };
    const Stream streams[] = {
        {"text_lines", textLines(4 << 20)},
        {"full_screen", fullScreen(4 << 20)},
        {"line_feeds", lineFeeds(256 << 10)},
    };
    printf("%-12s %12s %12s %8s\n", "stream", "ours_MB/s", "libvterm_MB/s", "ratio");
    for (const Stream& st : streams) {
        double ours = measure(feedOurs, st.bytes, seconds);
#ifdef HAVE_VTERM
        double ref = measure(feedVterm, st.bytes, seconds);
        printf("%-12s %12.1f %12.1f %8.2f\n", st.name, ours, ref, ours / ref);
#else
        printf("%-12s %12.1f %12s %8s\n", st.name, ours, "-", "-");
#endif
    }
    return 0;
}
