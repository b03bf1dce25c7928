// libFuzzer target for the interpreter: any byte stream, cut into blocks at
// places chosen by the input, must stay inside the grid and the escape
// buffer and leave the same state as the uncut stream.
#include "terminal/screen.h"
#include "terminal/telnet.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::vector<unsigned char> ReplyLog;
int BellCount = 0;

void logReply(const unsigned char* bytes, int length)
{
    if (length <= 0 || length > 16)
        abort();
    ReplyLog.insert(ReplyLog.end(), bytes, bytes + length);
    ReplyLog.push_back(0xEE);
}

void countBell() { BellCount += 1; }

struct Snapshot {
    unsigned char grid[SCREEN_CELLS];
    int32_t row, column, top;
    bool wrap, active, escape;
    std::vector<unsigned char> replies;
    int bells;
};

void take(Snapshot& s)
{
    memcpy(s.grid, ScreenBuffer, sizeof s.grid);
    s.row = cursorRow;
    s.column = cursorColumn;
    s.top = topLine;
    s.wrap = wrapPending;
    s.active = scrollActive;
    s.escape = inEscape;
    s.replies = ReplyLog;
    s.bells = BellCount;
}

bool same(const Snapshot& a, const Snapshot& b)
{
    return memcmp(a.grid, b.grid, sizeof a.grid) == 0 && a.row == b.row && a.column == b.column &&
           a.top == b.top && a.wrap == b.wrap && a.active == b.active && a.escape == b.escape &&
           a.replies == b.replies && a.bells == b.bells;
}

void checkInvariants()
{
    if (cursorRow < 0 || cursorRow >= SCREEN_ROWS || cursorColumn < 0 || cursorColumn >= SCREEN_COLUMNS)
        abort();
    if (topLine < 0 || topLine > TOP_LINE_REST || escapeLength < 0 || escapeLength >= ESCAPE_BUFFER_SIZE)
        abort();
}

void start()
{
    resetTerminal();
    ReplyLog.clear();
    BellCount = 0;
    ReplyHook = logReply;
    BellHook = countBell;
}

Snapshot Whole, Split;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t step = data[0] % 64 + 1;  // block size for the cut run
    data += 1;
    size -= 1;

    start();
    interpretBlock(data, static_cast<int>(size));
    checkInvariants();
    take(Whole);

    start();
    for (size_t at = 0; at < size; at += step) {
        size_t n = size - at < step ? size - at : step;
        interpretBlock(data + at, static_cast<int>(n));
        checkInvariants();
    }
    take(Split);
    if (!same(Whole, Split))
        abort();

    for (int i = 0; i < 300 && scrollActive; ++i) {
        advanceScroll(60.0f);
        checkInvariants();
    }
    return 0;
}
