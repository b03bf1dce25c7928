// The connection over the platform's socket layer (POSIX, or Winsock under
// Wine) against a peer on 127.0.0.1 in this process.
#include "net/connection.h"
#include "net/socket.h"
#include "app/platform.h"
#include "terminal/screen.h"
#include "terminal/telnet.h"
#include "tests/support/recording_platform.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include "net/socket_win32.h"
#else
#include <arpa/inet.h>
#include <csignal>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
using Fd = SOCKET;
using socklen_t = int;
void closeFd(Fd s) { closesocket(s); }

// The notifications reach onWinsockEvent as through the main window, a pass of the main loop at a time.
void deliverEvents()
{
    takeSocketEvents();
    for (MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);)
        if (m.message == WM_SOCKET_EVENT) onWinsockEvent(m.lParam);
    Sleep(1);
}
#else
using Fd = int;
void closeFd(Fd s) { close(s); }

void deliverEvents()
{
    takeSocketEvents();
    usleep(1000);
}
#endif

// The first label is longer than DNS allows: the resolver refuses the name
// without asking a name server, so the test stays on this machine.
const char LONG_NAME[] = "no-such-host-xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx.invalid";
const uint32_t LOOPBACK = 0x0100007F;   // 127.0.0.1 in network order

Fd listenOnLoopback(uint16_t* port)
{
    Fd s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = LOOPBACK;
    socklen_t length = sizeof a;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(s, 4);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    *port = ntohs(a.sin_port);
    return s;
}

// Delivers events, 1 ms or more apart, until done(); false after `passes`.
template <typename Done>
bool deliverEventsUntil(Done done, int passes = 20000)
{
    for (int i = 0; i < passes && !done(); ++i) deliverEvents();
    return done();
}

// The boxes shown, then how often the program was asked to quit.
std::string ending()
{
    std::string all;
    for (const RecordedBox& b : RecordedBoxes) all += b.text + "|" + b.caption + ", ";
    return all + std::to_string(RecordedQuits) + " quit";
}

class SocketLayer : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ReplyHook = sendReply;
        ConnectionEndHook = failAndQuit;
#ifdef _WIN32
        WSADATA data;   // the peer's own share of Winsock; the layer starts its own
        WSAStartup(0x0101, &data);
        SocketNotifyWindow = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
#endif
    }
    void SetUp() override
    {
        deliverEvents();   // what the last test's socket left
        resetRecordedPlatform();
        resetTerminal();
        writeReady = false;
        listener = listenOnLoopback(&port);
    }
    void TearDown() override
    {
        disconnect();
        closeFd(peer);
        closeFd(listener);
    }
    // As the connect dialog does, then time for events (none after a failure).
    void connectTo(const char* host, uint16_t to)
    {
        snprintf(HostName, sizeof HostName, "%s", host);
        PortNumber = to;
        connectToHost();
        deliverEventsUntil([] { return false; }, 300);
    }
    static inline Fd listener;   // static: a signal handler reaches it too
    Fd peer = static_cast<Fd>(-1);
    uint16_t port;
};

TEST_F(SocketLayer, EveryByteArrivesTheRepliesGoOutAndTheCloseComesOnce)
{
    connectTo("localhost", port);
    ASSERT_EQ(ending(), "0 quit");
    peer = accept(listener, nullptr, nullptr);   // connected: it is waiting
    ASSERT_TRUE(deliverEventsUntil([] { return writeReady; }));

    // Asked for the window size and terminal type, then 300 numbered lines,
    // more than four receive blocks, and the end of the stream right behind.
    std::string stream = "\xff\xfd\x1f\xff\xfd\x18", shown;
    char line[40];
    for (int i = 0; i < 300; ++i) {
        snprintf(line, sizeof line, "line %03d abcdefghijklmnopqrs", i);
        stream += line + std::string("\r\n");
        if (i >= 300 - 190) shown += line + std::string(SCREEN_COLUMNS - 28, ' ');   // what the screen keeps
    }
    send(peer, stream.data(), static_cast<int>(stream.size()), 0);
    shutdown(peer, 1);   // SHUT_WR, SD_SEND
    ASSERT_TRUE(deliverEventsUntil([] { return RecordedQuits > 0; }));
    const char* top = reinterpret_cast<char*>(ScreenBuffer) + (HOST_LAST_ROW - 190) * SCREEN_COLUMNS;
    EXPECT_EQ(std::string(top, shown.size()), shown) << "all of it is shown when the close comes";
    deliverEventsUntil([] { return false; }, 300);   // time for a second close to come
    EXPECT_EQ(ending(), "Disconnected!|Error, 1 quit");

    disconnect();   // so that the peer reads to the end
    std::string replies;
    char buffer[64];
    for (int n; (n = static_cast<int>(recv(peer, buffer, sizeof buffer, 0))) > 0;)
        replies.append(buffer, static_cast<size_t>(n));
    const char expected[] = "\xff\xfb\x1f" "\xff\xfa\x1f\x00\x50\x00\x14\xff\xf0" "\xff\xfb\x18";
    EXPECT_EQ(replies, std::string(expected, sizeof expected - 1));
}

TEST_F(SocketLayer, ARefusedConnectOrANameNotFoundShowsItsBox)
{
    uint16_t closed;
    closeFd(listenOnLoopback(&closed));   // nothing listens there now
    connectTo("127.0.0.1", closed);
    EXPECT_EQ(ending(), "Connection error!|Error, 1 quit");
    EXPECT_TRUE(sockConnect(LOOPBACK, port)) << "a second connect after a refused one";

    resetRecordedPlatform();
    connectTo(LONG_NAME, port);
    EXPECT_EQ(ending(), "Error looking up host address!|DNS Error, 1 quit");
}

TEST_F(SocketLayer, ParsesDottedAddressesOnly)
{
    EXPECT_EQ(sockParseAddress("10.20.30.40"), 0x281E140Au);   // network order: the bytes a.b.c.d
    for (const char* text : {"256.1.1.1", "localhost", "1.2.3.4x"})
        EXPECT_EQ(sockParseAddress(text), 0xFFFFFFFFu) << text;
}

#ifndef _WIN32
// A signal that interrupts a blocking connect does not end it: the kernel
// goes on connecting, and the POSIX layer waits for that same connect.
TEST_F(SocketLayer, AConnectInterruptedByASignalStillConnects)
{
    // A full accept queue holds the handshake back until the handler makes
    // room. A connection its client has closed stays queued until accepted.
    listen(listener, 0);
    sockOpen();
    ASSERT_TRUE(sockConnect(LOOPBACK, port));
    sockOpen();
    struct sigaction action = {}, previous;
    action.sa_handler = [](int) { close(accept(listener, nullptr, nullptr)); };   // no SA_RESTART: EINTR
    sigaction(SIGALRM, &action, &previous);
    const itimerval soon = {{0, 0}, {0, 150000}};
    setitimer(ITIMER_REAL, &soon, nullptr);
    EXPECT_TRUE(sockConnect(LOOPBACK, port)) << "the interrupted connect counted as a failure";
    sigaction(SIGALRM, &previous, nullptr);
    EXPECT_EQ(sockSend(reinterpret_cast<const unsigned char*>("ok"), 2), 2) << "the socket is connected";
}
#endif

}  // namespace
