// The connection over the Winsock layer, against a peer on 127.0.0.1 in the
// same process. Socket events go to a message-only window, whose window
// procedure hands them to onSocketEvent as the main window's does.
#include "net/connection.h"
#include "net/socket.h"
#include "terminal/screen.h"
#include "terminal/telnet.h"
#include "tests/support/recording_platform.h"
#include "app/platform.h"

#include <winsock.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const DWORD WAIT_MS = 20000;  // generous: the machine is shared

// Off while the socket layer is tested on its own, so that no read event
// takes the data the test wants to receive itself.
bool ForwardSocketEvents = true;

LRESULT CALLBACK notifyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SOCKET_EVENT) {
        if (ForwardSocketEvents) onSocketEvent(LOWORD(lParam));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND createNotifyWindow()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc;
        std::memset(&wc, 0, sizeof wc);
        wc.lpfnWndProc = notifyWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QuorvishSocketTest";
        registered = RegisterClassA(&wc) != 0;
    }
    return CreateWindowExA(0, "QuorvishSocketTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// Dispatches window messages until done() holds or the wait runs out.
template <typename Done>
bool pumpUntil(Done done, DWORD waitMs = WAIT_MS)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done()) return true;
        if (GetTickCount() - start > waitMs) return false;
        Sleep(1);
    }
}

// Dispatches whatever is waiting, without waiting for more.
void pumpPending()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

sockaddr_in loopback(uint16_t port)
{
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = inet_addr("127.0.0.1");
    return a;
}

uint16_t localPort(SOCKET s)
{
    sockaddr_in a;
    int length = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    return ntohs(a.sin_port);
}

// A port on 127.0.0.1 where nothing listens: bound and released again.
uint16_t closedPort()
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = loopback(0);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    uint16_t port = localPort(s);
    closesocket(s);
    return port;
}

// Reads exactly `want` bytes from a blocking socket, or what came before
// the wait ran out.
std::string receiveBytes(SOCKET s, size_t want, DWORD waitMs = WAIT_MS)
{
    std::string got;
    DWORD start = GetTickCount();
    while (got.size() < want && GetTickCount() - start <= waitMs) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        timeval tv = {0, 100000};
        if (select(0, &readable, nullptr, nullptr, &tv) <= 0) continue;
        char buffer[512];
        int n = recv(s, buffer, static_cast<int>(sizeof buffer < want - got.size() ? sizeof buffer
                                                                                 : want - got.size()), 0);
        if (n <= 0) break;
        got.append(buffer, n);
    }
    return got;
}

// The listener's next connection, or INVALID_SOCKET when none comes.
SOCKET acceptPeer(SOCKET listener)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener, &readable);
    timeval tv = {static_cast<long>(WAIT_MS / 1000), 0};
    if (select(0, &readable, nullptr, nullptr, &tv) <= 0) return INVALID_SOCKET;
    return accept(listener, nullptr, nullptr);
}

// True when nothing more arrives at s within a short look (the peer has
// closed, or is quiet).
bool peerSeesEnd(SOCKET s)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start <= WAIT_MS) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        timeval tv = {0, 100000};
        if (select(0, &readable, nullptr, nullptr, &tv) <= 0) continue;
        char c;
        return recv(s, &c, 1, 0) <= 0;
    }
    return false;
}

std::string row(int r)
{
    return std::string(reinterpret_cast<const char*>(ScreenBuffer) + r * SCREEN_COLUMNS, SCREEN_COLUMNS);
}

bool rowStartsWith(int r, const char* text)
{
    return std::memcmp(ScreenBuffer + r * SCREEN_COLUMNS, text, std::strlen(text)) == 0;
}

void setHost(const char* name, uint16_t port)
{
    std::snprintf(HostName, sizeof HostName, "%s", name);
    PortNumber = port;
}

class WinsockConnection : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The test's own share of Winsock, for the listening peer; the
        // connection starts and cleans up its own.
        WSADATA data;
        ASSERT_EQ(WSAStartup(0x0101, &data), 0);
    }
    static void TearDownTestSuite() { WSACleanup(); }

    void SetUp() override
    {
        resetTerminal();
        resetRecordedPlatform();
        ReplyHook = sendReply;
        writeReady = false;
        outQueueLength = 0;
        ForwardSocketEvents = true;
        window = createNotifyWindow();
        ASSERT_NE(window, nullptr);
        SocketNotifyWindow = window;

        listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in a = loopback(0);
        ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        ASSERT_EQ(listen(listener, 2), 0);
        port = localPort(listener);
    }

    void TearDown() override
    {
        if (connected) disconnect();
        if (peer != INVALID_SOCKET) closesocket(peer);
        closesocket(listener);
        ForwardSocketEvents = false;  // events of the closed socket go nowhere
        pumpPending();
        DestroyWindow(window);
        SocketNotifyWindow = nullptr;
    }

    // connectToHost to the listener by its dotted address, then takes the
    // peer's end of the connection.
    void connectToListener(const char* name = "127.0.0.1")
    {
        setHost(name, port);
        connectToHost();
        connected = true;
        ASSERT_TRUE(RecordedBoxes.empty()) << RecordedBoxes[0].text;
        peer = acceptPeer(listener);
        ASSERT_NE(peer, INVALID_SOCKET);
    }

    void peerSend(const std::string& bytes)
    {
        ASSERT_EQ(send(peer, bytes.data(), static_cast<int>(bytes.size()), 0), static_cast<int>(bytes.size()));
    }

    HWND window = nullptr;
    SOCKET listener = INVALID_SOCKET;
    SOCKET peer = INVALID_SOCKET;
    uint16_t port = 0;
    bool connected = false;
};

TEST_F(WinsockConnection, DottedAddressConnectsAndTheFirstWriteEventSetsWriteReady)
{
    connectToListener();
    // Nothing has been dispatched yet, so nothing may be sent yet.
    EXPECT_FALSE(writeReady);
    queueTypedChar('x');
    sendQueued();
    EXPECT_EQ(outQueueLength, 1);

    ASSERT_TRUE(pumpUntil([] { return writeReady; }));
    EXPECT_TRUE(RecordedBoxes.empty());
    EXPECT_EQ(RecordedQuits, 0);
}

TEST_F(WinsockConnection, NameIsLookedUpWhenItDoesNotStartWithADigit)
{
    connectToListener("localhost");
    ASSERT_TRUE(pumpUntil([] { return writeReady; }));
}

TEST_F(WinsockConnection, ReceivedTextReachesTheScreen)
{
    connectToListener();
    peerSend("hello, world");
    ASSERT_TRUE(pumpUntil([] { return rowStartsWith(HOST_LAST_ROW, "hello, world"); }));
    EXPECT_EQ(cursorRow, HOST_LAST_ROW);
    EXPECT_EQ(cursorColumn, 12);
}

TEST_F(WinsockConnection, TextLongerThanOneReceiveBlockArrivesWholeAndInOrder)
{
    connectToListener();
    // 300 lines of 30 bytes: 9000 bytes, more than four receive blocks.
    std::string stream;
    for (int i = 0; i < 300; ++i) {
        char line[40];
        std::snprintf(line, sizeof line, "line %03d abcdefghijklmnopqrs\r\n", i);
        stream += line;
    }
    ASSERT_GT(stream.size(), 4u * RECEIVE_BLOCK_SIZE);
    peerSend(stream);
    ASSERT_TRUE(pumpUntil([] { return rowStartsWith(HOST_LAST_ROW - 1, "line 299"); }));
    // The last line's CR LF leaves the cursor on an empty bottom row; each
    // row above holds the line before.
    EXPECT_EQ(cursorRow, HOST_LAST_ROW);
    EXPECT_EQ(cursorColumn, 0);
    EXPECT_EQ(row(HOST_LAST_ROW), std::string(SCREEN_COLUMNS, ' '));
    for (int k = 0; k < 190; ++k) {
        char expected[40];
        std::snprintf(expected, sizeof expected, "line %03d abcdefghijklmnopqrs", 299 - k);
        std::string want = expected;
        want.resize(SCREEN_COLUMNS, ' ');
        ASSERT_EQ(row(HOST_LAST_ROW - 1 - k), want) << "row " << HOST_LAST_ROW - 1 - k;
    }
}

TEST_F(WinsockConnection, NegotiationRepliesGoOutAtOnce)
{
    connectToListener();
    // DO terminal type, then DO window size: WILL 24; WILL 31 and the size.
    peerSend(std::string("\xff\xfd\x18\xff\xfd\x1f", 6));
    const std::string expected("\xff\xfb\x18"
                               "\xff\xfb\x1f"
                               "\xff\xfa\x1f\x00\x50\x00\x14\xff\xf0", 15);
    std::string got;
    ASSERT_TRUE(pumpUntil([&] {
        // Collect replies without blocking the pump.
        u_long waiting = 0;
        ioctlsocket(peer, FIONREAD, &waiting);
        char buffer[64];
        if (waiting > 0) {
            int n = recv(peer, buffer, waiting < sizeof buffer ? static_cast<int>(waiting) : sizeof buffer, 0);
            if (n > 0) got.append(buffer, n);
        }
        return got.size() >= expected.size();
    }));
    EXPECT_EQ(got, expected);
}

TEST_F(WinsockConnection, QueuedCharactersGoOutInOrderOnceWritable)
{
    // Typed before connecting: queued, and first to go.
    queueTypedChar('a');
    queueTypedChar('b');
    connectToListener();
    ASSERT_TRUE(pumpUntil([] { return writeReady; }));
    queueTypedChar('c');
    queueTypedChar('\r');
    sendQueued();
    EXPECT_EQ(outQueueLength, 0);
    EXPECT_EQ(receiveBytes(peer, 4), "abc\r");

    // An empty queue sends nothing and stays empty.
    sendQueued();
    EXPECT_EQ(outQueueLength, 0);
    queueTypedChar(0x7f);
    queueTypedChar(0xff);
    sendQueued();
    EXPECT_EQ(receiveBytes(peer, 2), std::string("\x7f\xff", 2));
}

TEST_F(WinsockConnection, AReadEventWithNothingToReadChangesNothing)
{
    connectToListener();
    ASSERT_TRUE(pumpUntil([] { return writeReady; }));
    unsigned char before[SCREEN_CELLS];
    std::memcpy(before, ScreenBuffer, sizeof before);
    onReadable();  // the receive would block: nothing there
    onSocketEvent(SOCKET_READ);
    EXPECT_EQ(std::memcmp(before, ScreenBuffer, sizeof before), 0);
    EXPECT_EQ(cursorRow, HOST_LAST_ROW);
    EXPECT_EQ(cursorColumn, 0);
    EXPECT_TRUE(RecordedBoxes.empty());
}

TEST_F(WinsockConnection, PeerCloseShowsDisconnectedAndRequestsQuit)
{
    connectToListener();
    peerSend("bye");
    closesocket(peer);
    peer = INVALID_SOCKET;
    ASSERT_TRUE(pumpUntil([] { return !RecordedBoxes.empty(); }));
    // The data sent before the close are not lost.
    pumpUntil([] { return rowStartsWith(HOST_LAST_ROW, "bye"); });
    EXPECT_TRUE(rowStartsWith(HOST_LAST_ROW, "bye"));
    EXPECT_EQ(RecordedBoxes[0].text, "Disconnected!");
    EXPECT_EQ(RecordedBoxes[0].caption, "Error");
    EXPECT_EQ(RecordedBoxes[0].icon, MESSAGE_ERROR);
    EXPECT_EQ(RecordedQuits, 1);
    EXPECT_EQ(RecordedQuitCode, 0);
}

TEST_F(WinsockConnection, DisconnectClosesTheConnection)
{
    connectToListener();
    ASSERT_TRUE(pumpUntil([] { return writeReady; }));
    disconnect();
    connected = false;
    EXPECT_TRUE(peerSeesEnd(peer));
}

TEST_F(WinsockConnection, RefusedConnectionShowsConnectionError)
{
    setHost("127.0.0.1", closedPort());
    connectToHost();
    connected = true;
    ASSERT_EQ(RecordedBoxes.size(), 1u);
    EXPECT_EQ(RecordedBoxes[0].text, "Connection error!");
    EXPECT_EQ(RecordedBoxes[0].caption, "Error");
    EXPECT_EQ(RecordedBoxes[0].icon, MESSAGE_ERROR);
    EXPECT_EQ(RecordedQuits, 1);
    EXPECT_EQ(RecordedQuitCode, 0);
}

TEST_F(WinsockConnection, FailedLookupShowsTheDnsError)
{
    // A name that cannot be looked up. Its first label is longer than DNS
    // allows, so the resolver gives up without asking any name server.
    setHost("no-such-host-xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx.invalid", port);
    connectToHost();
    connected = true;
    ASSERT_EQ(RecordedBoxes.size(), 1u);
    EXPECT_EQ(RecordedBoxes[0].text, "Error looking up host address!");
    EXPECT_EQ(RecordedBoxes[0].caption, "DNS Error");
    EXPECT_EQ(RecordedBoxes[0].icon, MESSAGE_ERROR);
    EXPECT_EQ(RecordedQuits, 1);
    // No connection was made to the listener.
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener, &readable);
    timeval tv = {0, 0};
    EXPECT_EQ(select(0, &readable, nullptr, nullptr, &tv), 0);
}

// The socket layer on its own.
class WinsockLayer : public WinsockConnection {
protected:
    void SetUp() override
    {
        WinsockConnection::SetUp();
        ForwardSocketEvents = false;
    }
};

TEST_F(WinsockLayer, ASecondConnectAfterARefusedOneSucceeds)
{
    ASSERT_EQ(sockStartup(), 0);
    sockOpen();
    EXPECT_FALSE(sockConnect(inet_addr("127.0.0.1"), closedPort()));
    EXPECT_TRUE(sockConnect(inet_addr("127.0.0.1"), port));
    peer = acceptPeer(listener);
    ASSERT_NE(peer, INVALID_SOCKET);
    const unsigned char ping[] = {'p', 'i', 'n', 'g'};
    EXPECT_EQ(sockSend(ping, 4), 4);
    EXPECT_EQ(receiveBytes(peer, 4), "ping");
    sockClose();
    sockCleanup();
}

TEST_F(WinsockLayer, ParsesDottedAddressesOnly)
{
    struct Case {
        const char* text;
        uint32_t address;  // network order, as the bytes a.b.c.d
    };
    const Case cases[] = {
        {"127.0.0.1", 0x0100007Fu},
        {"10.20.30.40", 0x281E140Au},
        {"255.255.255.254", 0xFEFFFFFFu},
        {"256.1.1.1", 0xFFFFFFFFu},
        {"localhost", 0xFFFFFFFFu},
        {"1.2.3.4x", 0xFFFFFFFFu},
    };
    for (const Case& c : cases) EXPECT_EQ(sockParseAddress(c.text), c.address) << c.text;
}

TEST_F(WinsockLayer, LooksUpNamesAndDottedAddresses)
{
    uint32_t address = 0;
    ASSERT_TRUE(sockLookup("localhost", &address));
    EXPECT_EQ(address, 0x0100007Fu);
    address = 0;
    ASSERT_TRUE(sockLookup("127.0.0.1", &address));
    EXPECT_EQ(address, 0x0100007Fu);
    EXPECT_FALSE(sockLookup("no-such-host-xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx.invalid",
                            &address));
}

TEST_F(WinsockLayer, ReceiveReportsNothingAsNegativeAndCloseAsZero)
{
    ASSERT_EQ(sockStartup(), 0);
    sockOpen();
    ASSERT_TRUE(sockConnect(inet_addr("127.0.0.1"), port));
    peer = acceptPeer(listener);
    ASSERT_NE(peer, INVALID_SOCKET);
    SocketNotifyWindow = window;
    sockSelectEvents();  // non-blocking from here on
    unsigned char buffer[16];
    EXPECT_LT(sockReceive(buffer, sizeof buffer), 0);
    peerSend("ab");
    int n = -1;
    ASSERT_TRUE(pumpUntil([&] { return (n = sockReceive(buffer, sizeof buffer)) >= 0; }));
    EXPECT_EQ(n, 2);
    closesocket(peer);
    peer = INVALID_SOCKET;
    ASSERT_TRUE(pumpUntil([&] { return (n = sockReceive(buffer, sizeof buffer)) >= 0; }));
    EXPECT_EQ(n, 0);
    sockClose();
    sockCleanup();
}

}  // namespace
