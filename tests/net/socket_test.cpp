// The socket layer (socket.h) under the connection, against a peer on
// 127.0.0.1: the same cases for the POSIX and the Winsock layer.
#include "net/connection.h"
#include "net/socket.h"
#include "app/platform.h"
#include "terminal/screen.h"
#include "terminal/telnet.h"
#include "tests/net/peer.h"
#include "tests/support/recording_platform.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace {

// The first label is longer than DNS allows: the resolver refuses the name
// without asking a name server, so the test stays on this machine.
const char LONG_NAME[] = "no-such-host-xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx.invalid";

std::string row(int r)
{
    return std::string(reinterpret_cast<const char*>(ScreenBuffer) + r * SCREEN_COLUMNS, SCREEN_COLUMNS);
}

std::string boxes()
{
    std::string all;
    for (const RecordedBox& b : RecordedBoxes) all += b.text + "|" + b.caption + ";";
    return all;
}

class SocketLayer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { peerStartup(); }
    void SetUp() override
    {
        deliverEventsUntil([] { return true; });   // what the last test's socket left
        resetRecordedPlatform();
        resetTerminal();
        ReplyHook = sendReply;
        ConnectionEndHook = failAndQuit;
        writeReady = false;
        outQueueLength = 0;
        listener = peerListen(&port);
    }
    void TearDown() override
    {
        disconnect();
        if (peer >= 0) peerClose(peer);
        peerClose(listener);
    }
    void connectTo(const char* host, uint16_t to)
    {
        snprintf(HostName, sizeof HostName, "%s", host);
        PortNumber = to;
        connectToHost();
    }
    intptr_t listener = -1, peer = -1;
    uint16_t port = 0;
};

TEST_F(SocketLayer, WriteReadyThenEveryByteThenOneClose)
{
    queueTypedChar('a');   // typed before the connection: waits for write-ready
    connectTo("localhost", port);
    ASSERT_EQ(boxes(), "");
    ASSERT_NE(peer = peerAccept(listener), -1);
    ASSERT_TRUE(deliverEventsUntil([] { return writeReady; }));
    queueTypedChar('b');
    sendQueued();
    EXPECT_EQ(peerReceive(peer, 2), "ab");

    // 300 numbered lines, more than four receive blocks, and the close right behind.
    std::string stream;
    char line[40];
    for (int i = 0; i < 300; ++i) {
        snprintf(line, sizeof line, "line %03d abcdefghijklmnopqrs\r\n", i);
        stream += line;
    }
    peerSend(peer, stream);
    peerClose(peer);
    peer = -1;
    ASSERT_TRUE(deliverEventsUntil([] { return !RecordedBoxes.empty(); }));
    for (int k = 0; k < 190; ++k) {
        snprintf(line, sizeof line, "line %03d abcdefghijklmnopqrs", 299 - k);
        ASSERT_EQ(row(HOST_LAST_ROW - 1 - k), line + std::string(SCREEN_COLUMNS - 28, ' '));
    }
    deliverEventsUntil([] { return false; }, 300);   // time for a second close to come
    EXPECT_EQ(boxes(), "Disconnected!|Error;") << "the close is reported once, after the data";
    EXPECT_EQ(RecordedQuits, 1);
}

TEST_F(SocketLayer, RefusedConnectionAndFailedLookupShowTheirBox)
{
    struct Case { const char* host; uint16_t port; const char* box; } cases[] = {
        {"127.0.0.1", peerClosedPort(), "Connection error!|Error;"},
        {LONG_NAME, port, "Error looking up host address!|DNS Error;"},
    };
    for (const Case& c : cases) {
        resetRecordedPlatform();
        connectTo(c.host, c.port);
        deliverEventsUntil([] { return false; }, 300);
        disconnect();
        EXPECT_EQ(boxes(), c.box) << "a socket that never connected reports no events";
        EXPECT_EQ(RecordedQuits, 1);
        EXPECT_FALSE(writeReady);
    }
}

TEST_F(SocketLayer, ASecondConnectAfterARefusedOneWorks)
{
    const char* problem = nullptr;
    ASSERT_TRUE(sockStartup(&problem));
    sockOpen();
    const uint32_t loopback = sockParseAddress("127.0.0.1");
    EXPECT_FALSE(sockConnect(loopback, peerClosedPort()));
    ASSERT_TRUE(sockConnect(loopback, port));
    ASSERT_NE(peer = peerAccept(listener), -1);
    EXPECT_EQ(sockSend(reinterpret_cast<const unsigned char*>("ping"), 4), 4);
    EXPECT_EQ(peerReceive(peer, 4), "ping");
}

TEST_F(SocketLayer, ParsesDottedAddressesOnly)
{
    struct Case { const char* text; uint32_t address; } cases[] = {   // network order: the bytes a.b.c.d
        {"127.0.0.1", 0x0100007Fu}, {"10.20.30.40", 0x281E140Au}, {"255.255.255.254", 0xFEFFFFFFu},
        {"256.1.1.1", 0xFFFFFFFFu}, {"localhost", 0xFFFFFFFFu},  {"1.2.3.4x", 0xFFFFFFFFu},
    };
    for (const Case& c : cases) EXPECT_EQ(sockParseAddress(c.text), c.address) << c.text;
}

}  // namespace
