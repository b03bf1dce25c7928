// The POSIX socket layer against loopback listeners made here: the events
// come in the order a window message queue would bring them.
#include "net/connection.h"
#include "net/socket.h"
#include "terminal/screen.h"
#include "terminal/telnet.h"
#include "tests/support/recording_platform.h"

#include <arpa/inet.h>
#include <cstring>
#include <string>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int listenOnLoopback(uint16_t* port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a;
    memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(fd, 4);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    *port = ntohs(a.sin_port);
    return fd;
}

// A port on which nothing listens: bound, then closed.
uint16_t closedPort()
{
    uint16_t port;
    int fd = listenOnLoopback(&port);
    close(fd);
    return port;
}

void pollFor(int passes)
{
    for (int i = 0; i < passes; ++i) {
        pollSocketEvents();
        usleep(2000);
    }
}

std::string gridRow(int r)
{
    return std::string(reinterpret_cast<const char*>(ScreenBuffer + r * SCREEN_COLUMNS), SCREEN_COLUMNS);
}

class PosixSocketTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetRecordedPlatform();
        resetTerminal();
        ReplyHook = sendReply;
        writeReady = false;
        outQueueLength = 0;
        PortNumber = DEFAULT_PORT;
    }
    void TearDown() override
    {
        disconnect();
        ReplyHook = nullptr;
    }
};

}  // namespace

TEST_F(PosixSocketTest, WriteReadyThenDataThenClose)
{
    uint16_t port;
    int listener = listenOnLoopback(&port);
    snprintf(HostName, sizeof HostName, "127.0.0.1");
    PortNumber = port;
    connectToHost();
    ASSERT_TRUE(RecordedBoxes.empty());
    int peer = accept(listener, nullptr, nullptr);
    ASSERT_GE(peer, 0);

    pollSocketEvents();
    EXPECT_TRUE(writeReady) << "the first pass reports write-ready";

    // More than one receive block, then the close right behind it.
    std::string data(5000, 'x');
    data += "\r\nlast line";
    ASSERT_EQ(send(peer, data.data(), data.size(), 0), static_cast<ssize_t>(data.size()));
    close(peer);
    pollFor(50);

    EXPECT_EQ(gridRow(199).substr(0, 9), "last line") << "all data read before the close";
    ASSERT_EQ(RecordedBoxes.size(), 1u);
    EXPECT_EQ(RecordedBoxes[0].text, "Disconnected!");
    EXPECT_EQ(RecordedQuits, 1);
    pollFor(5);
    EXPECT_EQ(RecordedBoxes.size(), 1u) << "the close is reported once";
    close(listener);
}

TEST_F(PosixSocketTest, TypedCharactersReachThePeer)
{
    uint16_t port;
    int listener = listenOnLoopback(&port);
    snprintf(HostName, sizeof HostName, "localhost");
    PortNumber = port;
    connectToHost();
    ASSERT_TRUE(RecordedBoxes.empty());
    int peer = accept(listener, nullptr, nullptr);
    for (char c : std::string("typed\r"))
        queueTypedChar(static_cast<unsigned char>(c));
    pollSocketEvents();
    sendQueued();
    char got[16] = {};
    ssize_t n = recv(peer, got, sizeof got, 0);
    EXPECT_EQ(std::string(got, n > 0 ? static_cast<size_t>(n) : 0), "typed\r");
    EXPECT_EQ(outQueueLength, 0);
    close(peer);
    close(listener);
}

TEST_F(PosixSocketTest, RefusedConnectionIsReportedWithoutEvents)
{
    snprintf(HostName, sizeof HostName, "127.0.0.1");
    PortNumber = closedPort();
    connectToHost();
    ASSERT_EQ(RecordedBoxes.size(), 1u);
    EXPECT_EQ(RecordedBoxes[0].text, "Connection error!");
    pollFor(3);
    EXPECT_EQ(RecordedBoxes.size(), 1u) << "a socket that never connected reports nothing";
    EXPECT_FALSE(writeReady);
}

TEST_F(PosixSocketTest, UnknownNameIsADnsError)
{
    // A first label longer than DNS allows: the resolver refuses the name
    // without asking any name server, so the test stays on this machine.
    snprintf(HostName, sizeof HostName, "no-such-host-%s.invalid", std::string(60, 'x').c_str());
    connectToHost();
    ASSERT_EQ(RecordedBoxes.size(), 1u);
    EXPECT_EQ(RecordedBoxes[0].text, "Error looking up host address!");
    EXPECT_EQ(RecordedBoxes[0].caption, "DNS Error");
}

TEST_F(PosixSocketTest, ConnectAfterAFailureUsesAFreshSocket)
{
    sockStartup();
    sockOpen();
    uint16_t port = closedPort();
    EXPECT_FALSE(sockConnect(htonl(INADDR_LOOPBACK), port));
    uint16_t openPort;
    int listener = listenOnLoopback(&openPort);
    EXPECT_TRUE(sockConnect(htonl(INADDR_LOOPBACK), openPort));
    close(listener);
}
