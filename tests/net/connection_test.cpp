// The connection logic: start-up, lookup and connect paths with their
// messages, socket events, the reply path and the queue of typed characters.
#include "net/connection.h"
#include "terminal/screen.h"
#include "terminal/telnet.h"
#include "tests/net/fake_socket.h"
#include "tests/support/recording_platform.h"
#include "app/platform.h"

#include <cstring>
#include <deque>
#include <gtest/gtest.h>

using Strings = std::vector<std::string>;
using Bytes = std::vector<unsigned char>;

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetFakeSocket();
        resetRecordedPlatform();
        resetTerminal();
        ReplyHook = sendReply;
        ConnectionEndHook = failAndQuit;
        HostName[0] = 0;
        PortNumber = DEFAULT_PORT;
        outQueueLength = 0;
        writeReady = false;
    }
    void TearDown() override { ReplyHook = nullptr; }
    static void host(const char* name) { snprintf(HostName, sizeof HostName, "%s", name); }
    static void type(const std::string& s)
    {
        for (char c : s)
            queueTypedChar(static_cast<unsigned char>(c));
    }
    static std::string queued()
    {
        return std::string(reinterpret_cast<const char*>(OutQueue), static_cast<size_t>(outQueueLength));
    }
};

TEST_F(ConnectionTest, ConnectPaths)
{
    struct Case {
        const char* name;
        const char* host;
        uint32_t port;
        std::deque<bool> connects;
        bool lookupFinds;
        Strings calls;
        const char* box;       // text, caption follow from it
        const char* caption;
    };
    const Case cases[] = {
        {"a dotted address connects without a lookup", "10.1.2.3", 2323, {true}, true,
         {"startup", "open", "connect 10.1.2.3:2323", "select"}, nullptr, nullptr},
        {"a name is looked up first", "localhost", 23, {true}, true,
         {"startup", "open", "lookup localhost", "connect 127.0.0.1:23", "select"}, nullptr, nullptr},
        {"the port is the low 16 bits", "127.0.0.1", 65536 + 80, {true}, true,
         {"startup", "open", "connect 127.0.0.1:80", "select"}, nullptr, nullptr},
        {"a failed dotted connect is retried by name", "127.0.0.1", 23, {false, true}, true,
         {"startup", "open", "connect 127.0.0.1:23", "lookup 127.0.0.1", "connect 127.0.0.1:23", "select"},
         nullptr, nullptr},
        {"both connects fail", "127.0.0.1", 23, {false, false}, true,
         {"startup", "open", "connect 127.0.0.1:23", "lookup 127.0.0.1", "connect 127.0.0.1:23", "select"},
         "Connection error!", "Error"},
        {"the lookup finds nothing: no events are asked for", "no-such-host", 23, {}, false,
         {"startup", "open", "lookup no-such-host"}, "Error looking up host address!", "DNS Error"},
    };
    for (const Case& c : cases) {
        SetUp();
        host(c.host);
        PortNumber = c.port;
        Fake.connectResults = c.connects;
        Fake.lookupFinds = c.lookupFinds;
        connectToHost();
        EXPECT_EQ(Fake.calls, c.calls) << c.name;
        if (c.box) {
            ASSERT_EQ(RecordedBoxes.size(), 1u) << c.name;
            EXPECT_EQ(RecordedBoxes[0].text, c.box);
            EXPECT_EQ(RecordedBoxes[0].caption, c.caption);
            EXPECT_EQ(RecordedBoxes[0].icon, MESSAGE_ERROR);
            EXPECT_EQ(RecordedQuits, 1) << c.name;
            EXPECT_EQ(RecordedQuitCode, 0);
        } else {
            EXPECT_TRUE(RecordedBoxes.empty()) << c.name;
            EXPECT_EQ(RecordedQuits, 0) << c.name;
        }
    }
}

TEST_F(ConnectionTest, AFailedStartupShowsThePlatformsTextAndQuits)
{
    for (const char* text : {"WSASYSNOTREADY!", static_cast<const char*>(nullptr)}) {
        SetUp();
        host("127.0.0.1");
        Fake.startupFails = true;
        Fake.startupProblem = text;
        connectToHost();
        EXPECT_EQ(Fake.calls, Strings{"startup"});
        EXPECT_EQ(RecordedQuits, 1);
        if (text) {
            ASSERT_EQ(RecordedBoxes.size(), 1u);
            EXPECT_EQ(RecordedBoxes[0].text + "|" + RecordedBoxes[0].caption, "WSASYSNOTREADY!|Winsock Init Error");
        } else {
            EXPECT_TRUE(RecordedBoxes.empty()) << "a start-up failure without a text quits silently";
        }
    }
}

TEST_F(ConnectionTest, SocketEvents)
{
    Fake.incoming = {Bytes{'h', 'i'}};
    onSocketEvent(SOCKET_READ);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(ScreenBuffer) + 199 * 80, 2), "hi");
    EXPECT_EQ(Fake.calls.back(), "receive 2048");

    onSocketEvent(SOCKET_OTHER);
    EXPECT_FALSE(writeReady);
    onSocketEvent(SOCKET_WRITE);
    EXPECT_TRUE(writeReady);
    EXPECT_TRUE(RecordedBoxes.empty());

    onSocketEvent(SOCKET_CLOSE);
    ASSERT_EQ(RecordedBoxes.size(), 1u);
    EXPECT_EQ(RecordedBoxes[0].text, "Disconnected!");
    EXPECT_EQ(RecordedBoxes[0].caption, "Error");
    EXPECT_EQ(RecordedQuits, 1);
}

TEST_F(ConnectionTest, EmptyOrFailedReceiveChangesNothing)
{
    Fake.incoming = {Bytes{}};          // 0: closing
    onReadable();
    onReadable();                        // nothing queued: an error
    EXPECT_EQ(cursorColumn, 0);
    EXPECT_TRUE(RecordedBoxes.empty());
}

TEST_F(ConnectionTest, RepliesGoOutAtOnceAsOneSendEach)
{
    const Bytes request = {255, 253, 31, 255, 253, 24};
    Fake.incoming = {request};
    onReadable();
    ASSERT_EQ(Fake.sent.size(), 3u);
    EXPECT_EQ(Fake.sent[0], (Bytes{255, 251, 31}));
    EXPECT_EQ(Fake.sent[1], (Bytes{255, 250, 31, 0, 80, 0, 20, 255, 240}));
    EXPECT_EQ(Fake.sent[2], (Bytes{255, 251, 24}));
}

TEST_F(ConnectionTest, TypedCharactersWaitForTheFirstWriteReady)
{
    type("ab");
    sendQueued();
    EXPECT_TRUE(Fake.sent.empty());
    onSocketEvent(SOCKET_WRITE);
    type("c");
    sendQueued();
    ASSERT_EQ(Fake.sent.size(), 1u);
    EXPECT_EQ(Fake.sent[0], (Bytes{'a', 'b', 'c'})) << "typed before connecting goes first";
    EXPECT_EQ(outQueueLength, 0);
    sendQueued();
    EXPECT_EQ(Fake.calls.back(), "send 0") << "every frame sends, also an empty queue";
}

TEST_F(ConnectionTest, ShortAndFailedSendsKeepTheRestInOrder)
{
    writeReady = true;
    type("12345678");
    Fake.sendLimits = {5, -1, 2};
    sendQueued();
    EXPECT_EQ(queued(), "678");
    type("9");
    sendQueued();                        // fails
    EXPECT_EQ(queued(), "6789");
    sendQueued();
    EXPECT_EQ(queued(), "89");
    sendQueued();
    EXPECT_EQ(queued(), "");
    std::string all;
    for (const Bytes& b : Fake.sent)
        all.append(b.begin(), b.end());
    EXPECT_EQ(all, "123456789");
}

TEST_F(ConnectionTest, FullQueueDropsFurtherCharacters)
{
    for (int i = 0; i < OUT_QUEUE_SIZE + 50; ++i)
        queueTypedChar(static_cast<unsigned char>('a' + i % 26));
    EXPECT_EQ(outQueueLength, OUT_QUEUE_SIZE);
    EXPECT_EQ(OutQueue[OUT_QUEUE_SIZE - 1], 'a' + (OUT_QUEUE_SIZE - 1) % 26);
    writeReady = true;
    Fake.sendLimits = {10};
    sendQueued();
    queueTypedChar('!');
    EXPECT_EQ(outQueueLength, OUT_QUEUE_SIZE - 9);
    EXPECT_EQ(OutQueue[outQueueLength - 1], '!');
}

TEST_F(ConnectionTest, TypedByte255GoesAsIacIacOrNotAtAll)
{
    queueTypedChar('a');
    queueTypedChar(255);
    queueTypedChar('b');
    EXPECT_EQ(std::string(reinterpret_cast<char*>(OutQueue), outQueueLength), "a\xff\xff" "b");

    outQueueLength = OUT_QUEUE_SIZE - 1;   // one place left: no half command
    queueTypedChar(255);
    EXPECT_EQ(outQueueLength, OUT_QUEUE_SIZE - 1);
    queueTypedChar('c');
    EXPECT_EQ(outQueueLength, OUT_QUEUE_SIZE);
    EXPECT_EQ(OutQueue[OUT_QUEUE_SIZE - 1], 'c');
    outQueueLength = OUT_QUEUE_SIZE - 2;
    queueTypedChar(255);
    EXPECT_EQ(outQueueLength, OUT_QUEUE_SIZE);
    EXPECT_EQ(OutQueue[OUT_QUEUE_SIZE - 2], 255);
    EXPECT_EQ(OutQueue[OUT_QUEUE_SIZE - 1], 255);
}
