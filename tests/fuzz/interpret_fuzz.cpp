// libFuzzer target for the interpreter: any byte stream, cut into blocks at
// places the input chooses, must keep the cursor, the top line and the escape
// buffer in range, and leave the same state and replies as the uncut stream.
#include "terminal/screen.h"
#include "terminal/telnet.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::string Log;   // replies, in order

void logReply(const unsigned char* bytes, int length)
{
    if (length <= 0 || length > 16)
        abort();
    Log.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length)).push_back('|');
}

void checkInvariants()
{
    if (cursorRow < 0 || cursorRow >= SCREEN_ROWS || cursorColumn < 0 || cursorColumn >= SCREEN_COLUMNS ||
        topLine < 0 || topLine > TOP_LINE_REST || escapeLength < 0 || escapeLength >= ESCAPE_BUFFER_SIZE)
        abort();
}

// Feeds the stream in blocks of `step` bytes; returns the whole state.
std::string run(const uint8_t* data, size_t size, size_t step)
{
    resetTerminal();
    Log.clear();
    ReplyHook = logReply;
    for (size_t at = 0; at < size; at += step) {
        interpretBlock(data + at, static_cast<int>(size - at < step ? size - at : step));
        checkInvariants();
    }
    return Log + std::to_string(BellCount) + std::string(reinterpret_cast<const char*>(ScreenBuffer), SCREEN_CELLS) +
           std::to_string(cursorRow) + ',' + std::to_string(cursorColumn) + ',' + std::to_string(topLine) +
           (wrapPending ? "w" : "") + (scrollActive ? "s" : "") + (inEscape ? "e" : "");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t step = data[0] % 64 + 1;
    if (run(data + 1, size - 1, size) != run(data + 1, size - 1, step))
        abort();
    for (int i = 0; i < 300 && scrollActive; ++i) {
        advanceScroll(60.0f, SCROLL_ROWS_PER_SECOND);
        checkInvariants();
    }
    return 0;
}
