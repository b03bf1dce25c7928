// A stream cut into blocks anywhere must leave the same state as the whole
// stream: the interpreter carries every command and sequence across blocks.
#include "tests/terminal/terminal_fixture.h"

#include <random>

namespace {

struct State {
    Bytes grid;
    int row, column, top;
    bool wrap, scroll, escape;
    std::vector<Bytes> replies;
    int bells;
    bool operator==(const State& o) const
    {
        return grid == o.grid && row == o.row && column == o.column && top == o.top &&
               wrap == o.wrap && scroll == o.scroll && escape == o.escape &&
               replies == o.replies && bells == o.bells;
    }
};

State capture()
{
    return {Bytes(ScreenBuffer, ScreenBuffer + SCREEN_CELLS), cursorRow, cursorColumn, topLine,
            wrapPending, scrollActive, inEscape, Replies, Bells};
}

// A session-like stream: text, line ends, escape sequences, telnet commands
// and raw noise, in random order.
Bytes makeStream(std::mt19937& rng, int pieces)
{
    static const std::string PIECES[] = {
        "hello world", "\r\n", "\n", "\t", "\b", "\a", "\x1b[K", "\x1b[12;40H", "\x1b[H",
        "\x1b[1;32m", "\x1b]0;title\a", "\x1b" "7", "\x1b(B", std::string(80, 'L'),
    };
    static const Bytes TELNET[] = {
        {255, 253, 24}, {255, 253, 31}, {255, 251, 1}, {255, 250, 24, 1, 255, 240},
        {255, 255}, {255, 248}, {255, 241}, {0}, {14}, {15},
    };
    Bytes out;
    std::uniform_int_distribution<int> kind(0, 2);
    for (int i = 0; i < pieces; ++i) {
        switch (kind(rng)) {
        case 0: {
            const std::string& p = PIECES[rng() % (sizeof PIECES / sizeof *PIECES)];
            out.insert(out.end(), p.begin(), p.end());
            break;
        }
        case 1: {
            const Bytes& t = TELNET[rng() % (sizeof TELNET / sizeof *TELNET)];
            out.insert(out.end(), t.begin(), t.end());
            break;
        }
        default:
            out.push_back(static_cast<unsigned char>(rng()));
            break;
        }
    }
    return out;
}

}  // namespace

using SplitTest = TerminalTest;

TEST_F(SplitTest, EverySingleCutGivesTheWholeStreamsState)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 8; ++round) {
        const Bytes stream = makeStream(rng, 60);
        SetUp();
        feed(stream);
        const State whole = capture();
        for (size_t cut = 1; cut < stream.size(); ++cut) {
            SetUp();
            feed(Bytes(stream.begin(), stream.begin() + cut));
            feed(Bytes(stream.begin() + cut, stream.end()));
            ASSERT_TRUE(capture() == whole) << "round " << round << ", cut at " << cut;
        }
    }
}

TEST_F(SplitTest, ByteByByteGivesTheWholeStreamsState)
{
    std::mt19937 rng(99);
    for (int round = 0; round < 20; ++round) {
        const Bytes stream = makeStream(rng, 200);
        SetUp();
        feed(stream);
        const State whole = capture();
        SetUp();
        for (unsigned char b : stream)
            interpretBlock(&b, 1);
        ASSERT_TRUE(capture() == whole) << "round " << round;
    }
}
