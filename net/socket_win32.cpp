// Socket layer for Windows: Winsock 1.1. After sockSelectEvents the socket
// is non-blocking and its readiness arrives at SocketNotifyWindow as
// WM_SOCKET_EVENT messages, which the window procedure hands to
// onWinsockEvent.
#include "net/socket.h"
#include "net/socket_win32.h"
#include "net/connection.h"

#include <cstring>

HWND SocketNotifyWindow = nullptr;

static SOCKET ConnectionSocket = INVALID_SOCKET;
static bool ConnectFailed = false;  // the last connect on ConnectionSocket failed
static WSADATA WinsockData;  // filled by start-up, read by nobody

namespace {

// Winsock start-up errors that have a message of their own.
const struct {
    int code;
    const char* text;
} StartupErrors[] = {
    {WSASYSNOTREADY, "WSASYSNOTREADY!"},
    {WSAVERNOTSUPPORTED, "WSAVERNOTSUPPORTED!"},
    {WSAEINPROGRESS, "WSAEINPROGRESS!"},
    {WSAEPROCLIM, "WSAEPROCLIM!"},
    {WSAEFAULT, "WSAEFAULT!"},
};

}  // namespace

bool sockStartup(const char** message)
{
    *message = nullptr;
    int result = WSAStartup(0x0101, &WinsockData);
    for (const auto& e : StartupErrors)
        if (e.code == result) *message = e.text;
    return result == 0;
}

void sockOpen()
{
    // Not tested here: a failed creation shows up as failed connects.
    ConnectionSocket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ConnectFailed = false;
}

uint32_t sockParseAddress(const char* text)
{
    return inet_addr(text);  // INADDR_NONE (0xFFFFFFFF) when not an address
}

bool sockLookup(const char* name, uint32_t* address)
{
    const hostent* entry = gethostbyname(name);
    if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_length != 4 ||
        entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr)
        return false;
    std::memcpy(address, entry->h_addr_list[0], 4);
    return true;
}

bool sockConnect(uint32_t address, uint16_t port)
{
    // Windows lets a socket whose connect was refused try again, but Wine
    // answers the second connect with WSAECONNABORTED: after a failure the
    // next attempt gets a fresh socket.
    if (ConnectFailed) {
        closesocket(ConnectionSocket);
        ConnectionSocket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        ConnectFailed = false;
    }
    sockaddr_in peer;
    static_assert(sizeof peer == 16, "the peer address is 16 bytes");
    std::memset(&peer, 0, sizeof peer);  // the eight trailing bytes stay zero
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = address;
    bool ok = connect(ConnectionSocket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0;
    ConnectFailed = !ok;
    return ok;
}

void sockSelectEvents()
{
    WSAAsyncSelect(ConnectionSocket, SocketNotifyWindow, WM_SOCKET_EVENT,
                   FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE);
}

int sockReceive(unsigned char* buffer, int size)
{
    int n = recv(ConnectionSocket, reinterpret_cast<char*>(buffer), size, 0);
    return n == SOCKET_ERROR ? -1 : n;
}

int sockSend(const unsigned char* bytes, int length)
{
    int n = send(ConnectionSocket, reinterpret_cast<const char*>(bytes), length, 0);
    return n == SOCKET_ERROR ? -1 : n;
}

void sockClose()
{
    closesocket(ConnectionSocket);
    ConnectionSocket = INVALID_SOCKET;
    ConnectFailed = false;
}

void sockCleanup()
{
    WSACleanup();
}

void pollSocketEvents()
{
    // Nothing to do: the events come as window messages.
}

void onWinsockEvent(LPARAM lParam)
{
    // The event is the low word; the error code in the high word is not used.
    switch (WSAGETSELECTEVENT(lParam)) {
    case FD_READ: onSocketEvent(SOCKET_READ); break;
    case FD_WRITE: onSocketEvent(SOCKET_WRITE); break;
    case FD_CLOSE: onSocketEvent(SOCKET_CLOSE); break;
    default: onSocketEvent(SOCKET_OTHER); break;
    }
}
