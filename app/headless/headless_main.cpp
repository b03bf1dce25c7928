// quorvish-headless [--block N] FILE|-
// quorvish-headless --connect HOST PORT [--wait TEXT | --type TEXT]... [--seconds S]
//
// Feeds a byte stream (from a file, or from a real telnet host) through the
// terminal core and prints the terminal state:
//   cursor ROW COLUMN / top TOPLINE / scroll ACTIVE OFFSET / reply HH ... /
//   bell COUNT / NNN|80 cells| for every row that is not all spaces.
#include "app/headless/headless.h"
#include "app/platform.h"
#include "app/session.h"
#include "net/connection.h"
#include "net/socket.h"
#include "terminal/screen.h"
#include "terminal/telnet.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Replies;   // one "reply ..." line per sendReply call
int Sends = 0;         // sends of typed characters, and how many left a rest
int ShortSends = 0;

void recordReply(const unsigned char* bytes, int length)
{
    {
        Replies += "reply";
        char hex[4];
        for (int i = 0; i < length; ++i) {
            snprintf(hex, sizeof hex, " %02X", bytes[i]);
            Replies += hex;
        }
        Replies += '\n';
    }
    sendReply(bytes, length);
}

void printState()
{
    printf("cursor %d %d\n", cursorRow, cursorColumn);
    printf("top %d\n", topLine);
    printf("scroll %d %g\n", scrollActive ? 1 : 0, static_cast<double>(scrollOffset));
    fputs(Replies.c_str(), stdout);
    printf("bell %u\n", BellCount);
    for (int r = 0; r < SCREEN_ROWS; ++r) {
        const unsigned char* row = ScreenBuffer + r * SCREEN_COLUMNS;
        bool blank = true;
        for (int k = 0; k < SCREEN_COLUMNS && blank; ++k)
            blank = row[k] == ' ';
        if (blank)
            continue;
        printf("%03d|", r);
        for (int k = 0; k < SCREEN_COLUMNS; ++k) {
            unsigned char c = row[k];
            if (c == '\\')
                fputs("\\\\", stdout);
            else if (c >= 0x20 && c <= 0x7E)
                putchar(c);
            else
                printf("\\x%02X", c);
        }
        puts("|");
    }
}

int usage()
{
    fputs("usage: quorvish-headless [--block N] FILE|-\n"
          "       quorvish-headless --connect HOST PORT [--wait TEXT | --type TEXT]... [--seconds S]\n",
          stderr);
    return 64;
}

// Numeric options: a number out of its range, or not a number at all, is
// refused with a message and exit code BAD_NUMBER.
enum { BAD_NUMBER = 2 };
constexpr double MAX_SECONDS = 86400.0;   // one day

int badNumber(const char* option, const char* range, const char* text)
{
    fprintf(stderr, "quorvish-headless: %s takes %s, not \"%s\"\n", option, range, text);
    return BAD_NUMBER;
}

bool parseWhole(const char* text, long lo, long hi, long* out)
{
    char* end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (!*text || *end || errno == ERANGE || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

// A finite number of seconds above 0 and at most a day: the deadline is
// formed from it, and neither infinity nor a huge value has one.
bool parseSeconds(const char* text, double* out)
{
    char* end = nullptr;
    double v = strtod(text, &end);
    if (!*text || *end || !std::isfinite(v) || !(v > 0.0) || v > MAX_SECONDS)
        return false;
    *out = v;
    return true;
}

int runFile(const char* path, int blockSize)
{
    FILE* in = strcmp(path, "-") == 0 ? stdin : fopen(path, "rb");
    if (!in) {
        perror(path);
        return 66;
    }
    static unsigned char block[RECEIVE_BLOCK_SIZE];
    size_t n;
    while ((n = fread(block, 1, static_cast<size_t>(blockSize), in)) > 0)
        interpretBlock(block, static_cast<int>(n));
    if (in != stdin)
        fclose(in);
    printState();
    return 0;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The C escapes \r \n \t \\ \xHH of --type.
std::string unescape(const char* s)
{
    std::string out;
    for (; *s; ++s) {
        if (*s != '\\' || !s[1]) {
            out += *s;
            continue;
        }
        ++s;
        switch (*s) {
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '\\': out += '\\'; break;
        case 'x': {
            int hi = hexValue(s[1]);
            int lo = hi >= 0 ? hexValue(s[2]) : -1;
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                s += 2;
            } else {
                out += "\\x";
            }
            break;
        }
        default: out += '\\'; out += *s; break;
        }
    }
    return out;
}

bool gridContains(const std::string& text)
{
    if (text.empty())
        return true;
    char row[SCREEN_COLUMNS + 1];
    for (int r = 0; r < SCREEN_ROWS; ++r) {
        for (int k = 0; k < SCREEN_COLUMNS; ++k) {
            unsigned char c = ScreenBuffer[r * SCREEN_COLUMNS + k];
            row[k] = c ? static_cast<char>(c) : '\x01';  // a NUL cell must not end the row
        }
        row[SCREEN_COLUMNS] = 0;
        if (strstr(row, text.c_str()))
            return true;
    }
    return false;
}

struct Step {
    bool wait;
    std::string text;
};

// The connect loop looks at the socket about this often, and scrolls the
// page as a frame loop at that rate would.
constexpr int PASSES_PER_SECOND = 100;

int runConnect(const char* host, long port, const std::vector<Step>& steps, double seconds)
{
    snprintf(HostName, sizeof HostName, "%s", host);
    PortNumber = static_cast<uint32_t>(port);
    connectToHost();
    if (HeadlessQuitRequested)
        return 2;

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(seconds));
    size_t next = 0;
    size_t typed = 0;          // characters of the current --type step already queued
    bool waitFailed = false;
    Clock::time_point doneAt{};
    while (!HeadlessQuitRequested) {
        takeSocketEvents();
        while (next < steps.size()) {
            const Step& s = steps[next];
            if (s.wait) {
                if (!gridContains(s.text))
                    break;
            } else {
                // Typed as fast as the queue takes it: nothing is dropped
                // here, the rest waits for the next pass.
                while (typed < s.text.size() && outQueueLength < OUT_QUEUE_SIZE)
                    queueTypedChar(static_cast<unsigned char>(s.text[typed++]));
                if (typed < s.text.size())
                    break;
                typed = 0;
            }
            ++next;
        }
        const int before = outQueueLength;
        finishTerminalFrame(PASSES_PER_SECOND);
        if (writeReady && before > 0) {
            Sends += 1;
            if (outQueueLength > 0)
                ShortSends += 1;
        }
        const auto now = Clock::now();
        if (next == steps.size() && !steps.empty() && outQueueLength == 0) {
            // Everything done and sent: let the host's answer arrive, then stop.
            if (doneAt == Clock::time_point{})
                doneAt = now;
            else if (now - doneAt > std::chrono::milliseconds(300))
                break;
        }
        if (now >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1000 / PASSES_PER_SECOND));
    }
    if (next < steps.size()) {
        for (size_t i = next; i < steps.size(); ++i) {
            if (steps[i].wait) {
                fprintf(stderr, "quorvish-headless: timed out waiting for \"%s\"\n",
                        steps[i].text.c_str());
                waitFailed = true;
                break;
            }
        }
    }
    disconnect();
    printState();
    fprintf(stderr, "quorvish-headless: %d sends of typed characters, %d short or failed\n", Sends,
            ShortSends);
    return waitFailed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    resetTerminal();
    ReplyHook = recordReply;
    ConnectionEndHook = failAndQuit;

    if (argc >= 2 && strcmp(argv[1], "--connect") == 0) {
        if (argc < 4)
            return usage();
        long port = 0;
        if (!parseWhole(argv[3], 1, 65535, &port))
            return badNumber("PORT", "a port number from 1 to 65535", argv[3]);
        std::vector<Step> steps;
        double seconds = 10.0;
        for (int i = 4; i < argc; i += 2) {
            if (i + 1 >= argc)
                return usage();
            if (strcmp(argv[i], "--wait") == 0) {
                steps.push_back({true, argv[i + 1]});
            } else if (strcmp(argv[i], "--type") == 0) {
                steps.push_back({false, unescape(argv[i + 1])});
            } else if (strcmp(argv[i], "--seconds") == 0) {
                if (!parseSeconds(argv[i + 1], &seconds))
                    return badNumber("--seconds", "a number of seconds above 0 and at most 86400",
                                     argv[i + 1]);
            } else {
                return usage();
            }
        }
        return runConnect(argv[2], port, steps, seconds);
    }

    long block = RECEIVE_BLOCK_SIZE;
    int i = 1;
    if (argc >= 3 && strcmp(argv[1], "--block") == 0) {
        if (!parseWhole(argv[2], 1, RECEIVE_BLOCK_SIZE, &block))
            return badNumber("--block", "a block size from 1 to 2048", argv[2]);
        i = 3;
    }
    if (argc != i + 1)
        return usage();
    return runFile(argv[i], static_cast<int>(block));
}
