// The interpreter, table-driven: bytes in; replies, cursor and grid out.
#include "tests/terminal/terminal_fixture.h"

using TelnetTest = TerminalTest;

namespace {

struct NegotiationCase {
    const char* name;
    Bytes in;
    std::vector<Bytes> replies;
};

const NegotiationCase NEGOTIATION[] = {
    {"WILL echo is taken", {255, 251, 1}, {{255, 253, 1}}},
    {"WILL suppress-go-ahead is taken", {255, 251, 3}, {{255, 253, 3}}},
    {"a repeated WILL for an agreed option is not answered",
     {255, 251, 1, 255, 251, 3, 255, 251, 1, 255, 251, 3}, {{255, 253, 1}, {255, 253, 3}}},
    {"WONT withdraws the agreement; the next WILL is answered again",
     {255, 251, 1, 255, 252, 1, 255, 251, 1}, {{255, 253, 1}, {255, 254, 1}, {255, 253, 1}}},
    {"other WILLs are refused every time", {255, 251, 5, 255, 251, 5}, {{255, 254, 5}, {255, 254, 5}}},
    {"WILL 199 is agreed to", {255, 251, 199}, {{255, 251, 199}}},
    {"WONT is acknowledged with DONT", {255, 252, 1}, {{255, 254, 1}}},
    {"DONT is acknowledged with WONT", {255, 254, 24}, {{255, 252, 24}}},
    {"DO echo is refused", {255, 253, 1}, {{255, 252, 1}}},
    {"DO terminal type", {255, 253, 24}, {{255, 251, 24}}},
    {"DO window size sends the size separately",
     {255, 253, 31},
     {{255, 251, 31}, {255, 250, 31, 0, 80, 0, 20, 255, 240}}},
    {"terminal type SEND",
     {255, 250, 24, 1, 255, 240},
     {{255, 250, 24, 0, 'V', 'T', '1', '0', '0', 255, 240}}},
    {"other subnegotiations are dropped", {255, 250, 32, 1, 2, 3, 255, 240}, {}},
    {"NOP, GA and friends", {255, 241, 255, 249, 255, 246}, {}},
    {"each request is answered every time",
     {255, 253, 24, 255, 253, 24},
     {{255, 251, 24}, {255, 251, 24}}},
    {"inetutils offer", {255, 251, 37, 255, 251, 38}, {{255, 254, 37}, {255, 254, 38}}},
};

}  // namespace

TEST_F(TelnetTest, NegotiationRepliesAndNoProtocolBytesInTheGrid)
{
    for (const NegotiationCase& c : NEGOTIATION) {
        SetUp();
        feed(c.in);
        EXPECT_EQ(Replies, c.replies) << c.name;
        EXPECT_EQ(text(199), "") << c.name << ": protocol bytes reached the grid";
        EXPECT_EQ(cursorColumn, 0) << c.name;
    }
}

TEST_F(TelnetTest, CommandsInTheDataStream)
{
    struct Case { const char* name; Bytes in; std::string row; int column; };
    const Case cases[] = {
        {"IAC IAC is one data byte 255", {'a', 255, 255, 'b'}, "a\xff" "b", 3},
        {"erase line blanks the row and returns the cursor", {'t', 'e', 'x', 't', 255, 248, 'x'}, "x", 1},
        {"IAC before a plain byte uses up only the IAC", {255, 'A', 'B'}, "AB", 2},
        {"padding and shifts are not stored", {'a', 0, 14, 'b', 15, 0, 0, 'c'}, "abc", 3},
        {"CR NUL is a bare carriage return", {'a', '\r', 0}, "a", 0},
        {"other control codes and high bytes are stored", {1, 12, 127, 128, 254},
         "\x01\x0c\x7f\x80\xfe", 5},
    };
    for (const Case& c : cases) {
        SetUp();
        feed(c.in);
        EXPECT_EQ(text(199), c.row) << c.name;
        EXPECT_EQ(cursorColumn, c.column) << c.name;
        EXPECT_TRUE(Replies.empty()) << c.name;
    }
}

TEST_F(TelnetTest, CommandsSplitAtEveryPointGiveTheSameReplies)
{
    const Bytes stream = {'x', 255, 253, 31, 255, 250, 24, 1, 255, 240, 255, 255, 'y'};
    SetUp();
    feed(stream);
    const std::vector<Bytes> whole = Replies;
    const std::string wholeRow = row(199);
    for (size_t cut = 1; cut < stream.size(); ++cut) {
        SetUp();
        feed(Bytes(stream.begin(), stream.begin() + cut));
        feed(Bytes(stream.begin() + cut, stream.end()));
        EXPECT_EQ(Replies, whole) << "cut at " << cut;
        EXPECT_EQ(row(199), wholeRow) << "cut at " << cut;
    }
}

TEST_F(TelnetTest, ControlCharacters)
{
    feed("\a\a");
    EXPECT_EQ(Bells, 2);

    struct TabCase { int from; int to; };
    for (TabCase t : {TabCase{0, 5}, {4, 5}, {5, 10}, {74, 75}, {75, 79}, {79, 79}}) {
        cursorColumn = t.from;
        wrapPending = false;
        feed("\t");
        EXPECT_EQ(cursorColumn, t.to) << "tab from " << t.from;
    }

    cursorColumn = 0;
    feed("\b");
    EXPECT_EQ(cursorColumn, 0) << "BS at column 0 stays";
    feed("abc\b\bX");
    EXPECT_EQ(text(199), "aXc") << "BS moves without erasing";

    feed("\x1b[10;7H\n");
    EXPECT_EQ(cursorColumn, 6) << "LF keeps the column";
    EXPECT_EQ(cursorRow, 190);
    feed("\r");
    EXPECT_EQ(cursorRow, 190) << "CR keeps the row";
    EXPECT_EQ(cursorColumn, 0);
}

TEST_F(TelnetTest, CursorPosition)
{
    struct Case { const char* seq; int row; int column; };
    const Case cases[] = {
        {"\x1b[5;10H", 184, 9},
        {"\x1b[1;1H", 180, 0},
        {"\x1b[20;80H", 199, 79},
        {"\x1b[H", 180, 0},
        {"\x1b[0;0H", 180, 0},
        {"\x1b[;5H", 180, 4},
        {"\x1b[7H", 186, 0},
        {"\x1b[99;200H", 200, 79},
        {"\x1b[99999999999999999999;3H", 200, 2},
        {"\x1b[2;3;4H", 181, 2},
    };
    for (const Case& c : cases) {
        SetUp();
        feed(c.seq);
        EXPECT_EQ(cursorRow, c.row) << c.seq + 1;
        EXPECT_EQ(cursorColumn, c.column) << c.seq + 1;
    }
}

TEST_F(TelnetTest, SequencesWithoutMeaningEndAtTheirFinalByte)
{
    struct Case { const char* in; const char* shown; };
    const Case cases[] = {
        {"\x1b[Aabc", "abc"},
        {"\x1b[Zabc", "abc"},
        {"\x1b[aabc", "abc"},
        {"\x1b[0Kabc", "abc"},
        {"\x1b[2Jabc", "abc"},
        {"\x1b[1;31mabc\x1b[m", "abc"},
        {"\x1b[?25labc", "abc"},
        {"\x1b" "7abc", "abc"},
        {"\x1b=abc", "abc"},
        {"\x1b>abc", "abc"},
        {"\x1b(Babc", "abc"},
        {"\x1bHabc", "abc"},
        {"\x1b]0;window title\aabc", "abc"},
        {"\x1b]2;title\x1b\\abc", "abc"},
        {"\x1b[1\x18" "abc", "abc"},
    };
    for (const Case& c : cases) {
        SetUp();
        feed(c.in);
        EXPECT_EQ(text(199), c.shown) << "after " << (c.in + 1);
        EXPECT_FALSE(inEscape);
    }
    SetUp();
    feed("\x1bH");
    EXPECT_EQ(cursorRow, 199) << "ESC H without the bracket does nothing";
    EXPECT_EQ(cursorColumn, 0);
}

TEST_F(TelnetTest, ControlCharactersInsideASequenceStillAct)
{
    feed("ab\x1b[\r5;3Hc");
    EXPECT_EQ(cursorRow, 184);
    EXPECT_EQ(text(184), "  c");
    EXPECT_EQ(text(199), "ab");
}

TEST_F(TelnetTest, EraseToEndOfLine)
{
    feed(std::string(80, 'z'));
    feed("\x1b[20;1H\x1b[K");
    EXPECT_EQ(text(199), "");
    feed(std::string(80, 'z'));
    feed("\x1b[20;80H\x1b[K");
    EXPECT_EQ(text(199), std::string(79, 'z'));
    EXPECT_EQ(cursorColumn, 79) << "the cursor does not move";
}

TEST_F(TelnetTest, OverlongSequenceIsConsumedAndDropped)
{
    std::string seq = "\x1b[" + std::string(500, '1') + ";" + std::string(300, '2') + "Hok";
    feed(seq);
    EXPECT_EQ(text(199), "ok");
    EXPECT_EQ(cursorRow, 199) << "an overlong cursor move is dropped";
    EXPECT_LE(escapeLength, ESCAPE_BUFFER_SIZE);
}

TEST_F(TelnetTest, SequenceSplitBetweenBlocks)
{
    feed("\x1b");
    EXPECT_TRUE(inEscape);
    feed("[3;4H");
    EXPECT_EQ(cursorRow, 182);
    EXPECT_EQ(cursorColumn, 3);
}

TEST_F(TelnetTest, IacInsideAnEscapeSequenceIsATelnetCommand)
{
    feed(Bytes{27, '[', '5', 255, 253, 24, ';', '2', 'H', 'q'});
    EXPECT_EQ(Replies, (std::vector<Bytes>{{255, 251, 24}}));
    EXPECT_EQ(cursorRow, 184);
    EXPECT_EQ(text(184), " q");
}
