// The connection logic where the real socket layer cannot fail on cue (a
// failed start-up, short and failed sends), and the typed-character queue.
#include "net/connection.h"
#include "net/socket.h"
#include "app/platform.h"
#include "tests/support/recording_platform.h"

#include <string>
#include <gtest/gtest.h>

// The socket layer, scripted: start-up fails with a text of Winsock's; a send takes at most sendLimit bytes.
static int sendLimit;
static std::string sent;

bool sockStartup(const char** message)
{
    *message = "WSASYSNOTREADY!";
    return false;
}

int sockSend(const unsigned char* bytes, int length)
{
    const int take = length < sendLimit ? length : sendLimit;
    if (take > 0) sent.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(take));
    return take;
}

void sockOpen() {}
uint32_t sockParseAddress(const char*) { return 0xFFFFFFFFu; }
bool sockLookup(const char*, uint32_t*) { return false; }
bool sockConnect(uint32_t, uint16_t) { return false; }
void sockSelectEvents() {}
int sockReceive(unsigned char*, int) { return -1; }
void sockClose() {}
void sockCleanup() {}
void pollSocketEvents() {}

class Connection : public ::testing::Test {
protected:
    void SetUp() override
    {
        outQueueLength = 0;
        writeReady = false;
        sent.clear();
    }
    static void type(const std::string& s)
    {
        for (char c : s) queueTypedChar(static_cast<unsigned char>(c));
    }
    static std::string queued() { return std::string(reinterpret_cast<char*>(OutQueue), outQueueLength); }
};

TEST_F(Connection, AFailedStartupShowsThePlatformsTextAndQuits)
{
    ConnectionEndHook = failAndQuit;
    resetRecordedPlatform();
    connectToHost();
    ASSERT_EQ(RecordedBoxes.size(), 1u) << "nothing else is tried";
    EXPECT_EQ(RecordedBoxes[0].text + "|" + RecordedBoxes[0].caption, "WSASYSNOTREADY!|Winsock Init Error");
    EXPECT_EQ(RecordedQuits, 1);
}

TEST_F(Connection, TypedCharactersWaitForWriteReadyAndShortOrFailedSendsKeepTheRest)
{
    type("1234");
    sendQueued();
    EXPECT_EQ(sent, "") << "nothing goes out before the first write-ready";
    onSocketEvent(SOCKET_WRITE);
    type("5678");
    const struct { const char* typed; int limit; const char* left; } sends[] = {
        {"", 5, "678"}, {"9", -1, "6789"}, {"", 2, "89"}, {"", OUT_QUEUE_SIZE, ""}};
    for (const auto& s : sends) {
        type(s.typed);
        sendLimit = s.limit;
        sendQueued();
        EXPECT_EQ(queued(), s.left) << "a send of at most " << s.limit;
    }
    EXPECT_EQ(sent, "123456789");
}

// A typed 255 is doubled as telnet wants; a full queue drops the rest, and
// never takes half of a doubled 255.
TEST_F(Connection, TypedBytesQueueUntilFullAndA255GoesDoubled)
{
    const std::string fill(OUT_QUEUE_SIZE - 5, 'x');   // one place is left after it
    type("a\xff" "b" + fill + "\xff" "c\xff" "d");
    EXPECT_EQ(queued(), "a\xff\xff" "b" + fill + "c");
}
