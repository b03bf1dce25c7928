// The POSIX socket layer against loopback listeners made here: the events
// come in the order a window message queue would bring them.
#include "net/connection.h"
#include "net/socket.h"
#include "terminal/screen.h"
#include "terminal/telnet.h"
#include "tests/support/recording_platform.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <string>
#include <thread>
#include <vector>
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

TEST_F(PosixSocketTest, ConnectInterruptedBySignalFinishesTheSameConnect)
{
    // A listener whose accept queue is full drops new handshakes, so a
    // connect to it blocks until a place frees up.
    uint16_t port;
    int listener = listenOnLoopback(&port);
    listen(listener, 0);
    fcntl(listener, F_SETFL, O_NONBLOCK);
    sockaddr_in to;
    memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    std::vector<int> fillers;
    for (int i = 0; i < 2; ++i) {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        fcntl(fd, F_SETFL, O_NONBLOCK);
        connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
        fillers.push_back(fd);
    }
    usleep(50000);

    // A signal with a handler that does not restart calls, while the
    // connect waits. The queue drains while the handler runs, so that the
    // handshake is done by the time connect returns with EINTR: connecting
    // again then only says "already connected".
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = [](int) {
        const timespec pause = {1, 800000000};
        nanosleep(&pause, nullptr);
    };
    struct sigaction previous;
    sigaction(SIGUSR1, &action, &previous);
    const pthread_t self = pthread_self();
    std::vector<int> accepted;
    std::thread host([&] {
        usleep(150000);
        pthread_kill(self, SIGUSR1);
        usleep(150000);
        for (int i = 0; i < 200 && accepted.size() < fillers.size() + 1; ++i) {
            int fd = accept(listener, nullptr, nullptr);
            if (fd >= 0) accepted.push_back(fd);
            else usleep(20000);
        }
    });
    sockStartup();
    sockOpen();
    const bool connected = sockConnect(htonl(INADDR_LOOPBACK), port);
    host.join();
    sigaction(SIGUSR1, &previous, nullptr);
    ASSERT_TRUE(connected) << "the interrupted connect counted as a failure";
    // The connection works: what is sent reaches the host.
    EXPECT_EQ(sockSend(reinterpret_cast<const unsigned char*>("ok"), 2), 2);
    usleep(50000);
    std::string received;
    for (int fd : accepted) {
        char got[8];
        ssize_t n = recv(fd, got, sizeof got, MSG_DONTWAIT);
        if (n > 0) received.append(got, static_cast<size_t>(n));
    }
    EXPECT_EQ(received, "ok");
    for (int fd : fillers) close(fd);
    for (int fd : accepted) close(fd);
    close(listener);
}
