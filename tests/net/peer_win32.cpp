#include "tests/net/peer.h"
#include "net/socket_win32.h"

namespace {

const DWORD WAIT_MS = 20000;

// A message-only window in the main window's place: its procedure hands
// the socket notifications on as the main window's does.
LRESULT CALLBACK notifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_SOCKET_EVENT) return DefWindowProcA(window, message, wParam, lParam);
    onWinsockEvent(lParam);
    return 0;
}

}  // namespace

void peerStartup()
{
    WSADATA data;   // the peer's own share of Winsock; the layer starts its own
    WSAStartup(0x0101, &data);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = notifyProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QuorvishSocketTest";
    RegisterClassA(&wc);
    SocketNotifyWindow = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         wc.hInstance, nullptr);
}

intptr_t peerListen(uint16_t* port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr("127.0.0.1");
    int length = sizeof a;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(s, 4);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    *port = ntohs(a.sin_port);
    return static_cast<intptr_t>(s);
}

uint16_t peerClosedPort()
{
    uint16_t port;
    closesocket(static_cast<SOCKET>(peerListen(&port)));
    return port;
}

intptr_t peerAccept(intptr_t listener)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(static_cast<SOCKET>(listener), &readable);
    timeval tv = {WAIT_MS / 1000, 0};
    if (select(0, &readable, nullptr, nullptr, &tv) <= 0) return -1;
    SOCKET peer = accept(static_cast<SOCKET>(listener), nullptr, nullptr);
    setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&WAIT_MS), sizeof WAIT_MS);
    return static_cast<intptr_t>(peer);
}

void peerSend(intptr_t peer, const std::string& bytes)
{
    send(static_cast<SOCKET>(peer), bytes.data(), static_cast<int>(bytes.size()), 0);
}

std::string peerReceive(intptr_t peer, size_t want)
{
    std::string got;
    char buffer[512];
    for (int n; got.size() < want && (n = recv(static_cast<SOCKET>(peer), buffer, sizeof buffer, 0)) > 0;)
        got.append(buffer, n);
    return got;
}

void peerClose(intptr_t socket) { closesocket(static_cast<SOCKET>(socket)); }

bool deliverEventsUntil(const std::function<bool()>& done, int milliseconds)
{
    const DWORD start = GetTickCount();
    for (MSG msg;; Sleep(1)) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        if (done()) return true;
        if (GetTickCount() - start > static_cast<DWORD>(milliseconds)) return false;
    }
}
