// The Winsock layer against a peer on 127.0.0.1 in the same process. Socket
// events go to a message-only window, whose window procedure hands them to
// onSocketEvent as the main window's does. The connection logic above the
// layer has its own tests.
#include "app/platform.h"
#include "net/connection.h"
#include "net/socket.h"
#include "terminal/screen.h"
#include "tests/support/recording_platform.h"

#include <winsock.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

const DWORD WAIT_MS = 20000;   // generous: the machine is shared
const char LONG_NAME[] =       // its first label is too long for DNS: refused without a query
    "no-such-host-xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx.invalid";
std::vector<int> Events;       // as the window received them
bool Forward = true;           // off while the test receives on the socket itself

LRESULT CALLBACK notifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_SOCKET_EVENT) return DefWindowProcA(window, message, wParam, lParam);
    Events.push_back(LOWORD(lParam));
    if (Forward) onSocketEvent(LOWORD(lParam));
    return 0;
}

// Dispatches window messages until done() holds or the wait runs out.
bool pumpUntil(const std::function<bool()>& done)
{
    const DWORD start = GetTickCount();
    for (MSG msg;; Sleep(1)) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        if (done()) return true;
        if (GetTickCount() - start > WAIT_MS) return false;
    }
}

// A socket listening on 127.0.0.1 at a port the system picks.
SOCKET listenOn(uint16_t* port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr("127.0.0.1");
    int length = sizeof a;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(s, 2);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    *port = ntohs(a.sin_port);
    return s;
}

// A port where nothing listens.
uint16_t closedPort() { uint16_t port; closesocket(listenOn(&port)); return port; }

// The listener's next connection, whose receives give up after WAIT_MS;
// INVALID_SOCKET when none comes.
SOCKET acceptPeer(SOCKET listener)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener, &readable);
    timeval tv = {WAIT_MS / 1000, 0};
    if (select(0, &readable, nullptr, nullptr, &tv) <= 0) return INVALID_SOCKET;
    SOCKET peer = accept(listener, nullptr, nullptr);
    setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&WAIT_MS), sizeof WAIT_MS);
    return peer;
}

std::string peerReceive(SOCKET peer, size_t want)
{
    std::string got;
    char buffer[512];
    for (int n; got.size() < want && (n = recv(peer, buffer, sizeof buffer, 0)) > 0;) got.append(buffer, n);
    return got;
}

std::string row(int r) { return std::string(reinterpret_cast<const char*>(ScreenBuffer) + r * SCREEN_COLUMNS, SCREEN_COLUMNS); }

class Winsock : public ::testing::Test {
protected:
    // The test's own share of Winsock, for the peer; the layer starts its own.
    static void SetUpTestSuite() { WSADATA data; WSAStartup(0x0101, &data); }
    static void TearDownTestSuite() { WSACleanup(); }

    void SetUp() override
    {
        resetTerminal();
        resetRecordedPlatform();
        writeReady = false;
        outQueueLength = 0;
        Events.clear();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = notifyProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QuorvishSocketTest";
        RegisterClassA(&wc);   // fails harmlessly from the second test on
        window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SocketNotifyWindow = window;
        ASSERT_NE(window, nullptr);
        listener = listenOn(&port);
    }

    void TearDown() override
    {
        if (peer != INVALID_SOCKET) closesocket(peer);
        closesocket(listener);
        Forward = false;   // late events of the closed socket go nowhere
        pumpUntil([] { return true; });
        DestroyWindow(window);
        Forward = true;
    }

    void connectTo(const char* host, uint16_t to)
    {
        std::snprintf(HostName, sizeof HostName, "%s", host);
        PortNumber = to;
        connectToHost();
    }

    HWND window = nullptr;
    SOCKET listener = INVALID_SOCKET, peer = INVALID_SOCKET;
    uint16_t port = 0;
};

TEST_F(Winsock, EventsComeAsMessagesFirstWriteThenReadsThenCloseAndNoDataIsLost)
{
    queueTypedChar('a');
    connectTo("localhost", port);
    ASSERT_TRUE(RecordedBoxes.empty()) << RecordedBoxes[0].text;
    ASSERT_NE(peer = acceptPeer(listener), INVALID_SOCKET);
    ASSERT_TRUE(pumpUntil([] { return writeReady; }));
    queueTypedChar('b');
    sendQueued();
    EXPECT_EQ(peerReceive(peer, 2), "ab");

    // 300 lines of 30 bytes, more than four receive blocks, then the close.
    std::string stream;
    char line[40];
    for (int i = 0; i < 300; ++i) {
        std::snprintf(line, sizeof line, "line %03d abcdefghijklmnopqrs\r\n", i);
        stream += line;
    }
    ASSERT_EQ(send(peer, stream.data(), static_cast<int>(stream.size()), 0), static_cast<int>(stream.size()));
    closesocket(peer);
    peer = INVALID_SOCKET;
    ASSERT_TRUE(pumpUntil([] { return !RecordedBoxes.empty() && row(HOST_LAST_ROW - 1).compare(0, 8, "line 299") == 0; }));
    for (int k = 0; k < 190; ++k) {
        std::snprintf(line, sizeof line, "line %03d abcdefghijklmnopqrs", 299 - k);
        ASSERT_EQ(row(HOST_LAST_ROW - 1 - k), line + std::string(SCREEN_COLUMNS - 28, ' '));
    }
    ASSERT_EQ(RecordedBoxes.size(), 1u);
    EXPECT_EQ(RecordedBoxes[0].text + "|" + RecordedBoxes[0].caption, "Disconnected!|Error");
    EXPECT_EQ(RecordedQuits, 1);
    ASSERT_GE(Events.size(), 3u);
    EXPECT_EQ(Events.front(), SOCKET_WRITE);
    EXPECT_EQ(Events.back(), SOCKET_CLOSE);
    EXPECT_EQ(std::vector<int>(Events.begin() + 1, Events.end() - 1), std::vector<int>(Events.size() - 2, SOCKET_READ));
    disconnect();
}

TEST_F(Winsock, RefusedConnectionAndFailedLookupShowTheirBoxAndQuit)
{
    struct Case { const char* host; uint16_t port; std::string box; } cases[] = {
        {"127.0.0.1", closedPort(), "Connection error!|Error"},
        {LONG_NAME, port, "Error looking up host address!|DNS Error"},
    };
    for (const Case& c : cases) {
        resetRecordedPlatform();
        connectTo(c.host, c.port);
        disconnect();
        ASSERT_EQ(RecordedBoxes.size(), 1u) << c.host;
        EXPECT_EQ(RecordedBoxes[0].text + "|" + RecordedBoxes[0].caption, c.box);
        EXPECT_EQ(RecordedBoxes[0].icon, MESSAGE_ERROR);
        EXPECT_EQ(RecordedQuits, 1);
    }
}

TEST_F(Winsock, ASecondConnectAfterARefusedOneWorksAndReceivesReportNothingDataAndClose)
{
    Forward = false;
    ASSERT_EQ(sockStartup(), 0);
    sockOpen();
    EXPECT_FALSE(sockConnect(inet_addr("127.0.0.1"), closedPort()));
    ASSERT_TRUE(sockConnect(inet_addr("127.0.0.1"), port));   // Wine aborts it on the refused socket
    ASSERT_NE(peer = acceptPeer(listener), INVALID_SOCKET);
    EXPECT_EQ(sockSend(reinterpret_cast<const unsigned char*>("ping"), 4), 4);
    EXPECT_EQ(peerReceive(peer, 4), "ping");

    sockSelectEvents();   // non-blocking from here on
    unsigned char buffer[16];
    int n = 0;
    EXPECT_LT(sockReceive(buffer, sizeof buffer), 0);
    send(peer, "ab", 2, 0);
    ASSERT_TRUE(pumpUntil([&] { return (n = sockReceive(buffer, sizeof buffer)) >= 0; }));
    EXPECT_EQ(n, 2);
    closesocket(peer);
    peer = INVALID_SOCKET;
    ASSERT_TRUE(pumpUntil([&] { return (n = sockReceive(buffer, sizeof buffer)) >= 0; }));
    EXPECT_EQ(n, 0);
    sockClose();
    sockCleanup();
}

TEST_F(Winsock, ParsesDottedAddressesOnly)
{
    struct Case { const char* text; uint32_t address; } cases[] = {   // network order: the bytes a.b.c.d
        {"127.0.0.1", 0x0100007Fu}, {"10.20.30.40", 0x281E140Au}, {"255.255.255.254", 0xFEFFFFFFu},
        {"256.1.1.1", 0xFFFFFFFFu}, {"localhost", 0xFFFFFFFFu},  {"1.2.3.4x", 0xFFFFFFFFu},
    };
    for (const Case& c : cases) EXPECT_EQ(sockParseAddress(c.text), c.address) << c.text;
}

}  // namespace
