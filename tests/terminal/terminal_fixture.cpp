#include "tests/terminal/terminal_fixture.h"

std::vector<Bytes> Replies;
int Bells = 0;

Bytes bytes(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

static void recordReply(const unsigned char* b, int n)
{
    Replies.emplace_back(b, b + n);
}

static void recordBell()
{
    Bells += 1;
}

void TerminalTest::SetUp()
{
    resetTerminal();
    Replies.clear();
    Bells = 0;
    ReplyHook = recordReply;
    BellHook = recordBell;
}

void TerminalTest::TearDown()
{
    ReplyHook = nullptr;
    BellHook = nullptr;
}

void TerminalTest::feed(const Bytes& b)
{
    if (!b.empty())
        interpretBlock(b.data(), static_cast<int>(b.size()));
}

std::string TerminalTest::row(int r)
{
    return std::string(reinterpret_cast<const char*>(ScreenBuffer + r * SCREEN_COLUMNS),
                       SCREEN_COLUMNS);
}

std::string TerminalTest::text(int r)
{
    std::string s = row(r);
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}
