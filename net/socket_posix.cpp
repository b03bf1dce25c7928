// POSIX socket layer: the same blocking start as the Windows program (IPv4
// name lookup, connect), then a non-blocking socket that the main loop
// polls once per pass without waiting. Events are delivered in the order
// a window message queue would bring them: the first write-ready, then a
// read event per block while data remain, then the close.
#include "net/socket.h"
#include "net/connection.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int socketFd = -1;
bool connectFailed = false;   // a failed connect leaves the socket unusable
bool eventsEnabled = false;
bool writeReported = false;
bool closeReported = false;

// A signal interrupted a blocking connect. The connect goes on in the
// kernel; calling connect again would only report that it is under way.
// Wait for the same connect to finish and take its outcome.
int finishInterruptedConnect()
{
    pollfd p;
    p.fd = socketFd;
    p.events = POLLOUT;
    for (;;) {
        p.revents = 0;
        int ready = poll(&p, 1, -1);
        if (ready > 0)
            break;
        if (ready < 0 && errno != EINTR)
            return -1;
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(socketFd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
        return -1;
    return 0;
}

}  // namespace

bool sockStartup(const char** message)
{
    *message = nullptr;
    return true;
}

void sockOpen()
{
    if (socketFd >= 0)
        close(socketFd);
    socketFd = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    connectFailed = false;
    eventsEnabled = writeReported = closeReported = false;
}

uint32_t sockParseAddress(const char* text)
{
    return inet_addr(text);
}

bool sockLookup(const char* name, uint32_t* address)
{
    addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found)
        return false;
    *address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return true;
}

bool sockConnect(uint32_t address, uint16_t port)
{
    if (connectFailed)
        sockOpen();
    if (socketFd < 0)
        return false;
    sockaddr_in peer;
    memset(&peer, 0, sizeof peer);
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = address;
    int result = connect(socketFd, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
    if (result != 0 && errno == EINTR)
        result = finishInterruptedConnect();
    connectFailed = result != 0;
    return result == 0;
}

void sockSelectEvents()
{
    if (socketFd < 0 || connectFailed)
        return;  // nothing to report on a socket that never connected
    int flags = fcntl(socketFd, F_GETFL, 0);
    fcntl(socketFd, F_SETFL, flags | O_NONBLOCK);
    eventsEnabled = true;
}

int sockReceive(unsigned char* buffer, int size)
{
    if (socketFd < 0)
        return -1;
    ssize_t n = recv(socketFd, buffer, static_cast<size_t>(size), 0);
    return static_cast<int>(n);
}

int sockSend(const unsigned char* bytes, int length)
{
    if (socketFd < 0 || length < 0)
        return -1;
    ssize_t n = send(socketFd, bytes, static_cast<size_t>(length), MSG_NOSIGNAL);
    return static_cast<int>(n);
}

void sockClose()
{
    if (socketFd >= 0)
        close(socketFd);
    socketFd = -1;
    eventsEnabled = false;
}

void sockCleanup() {}

void pollSocketEvents()
{
    if (!eventsEnabled || closeReported)
        return;
    pollfd p;
    p.fd = socketFd;
    p.events = POLLIN | (writeReported ? 0 : POLLOUT);
    p.revents = 0;
    if (poll(&p, 1, 0) <= 0)
        return;
    if (!writeReported && (p.revents & POLLOUT)) {
        writeReported = true;
        onSocketEvent(SOCKET_WRITE);
    }
    // Level-triggered: data left over when the pass's reads are used up are
    // seen again by the next pass.
    while (eventsEnabled && readsLeftThisPass()) {
        unsigned char probe;
        ssize_t peeked = recv(socketFd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
        if (peeked > 0) {
            onSocketEvent(SOCKET_READ);
            continue;
        }
        if (peeked < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;
        // End of stream or a broken connection: the host has gone.
        closeReported = true;
        onSocketEvent(SOCKET_CLOSE);
        return;
    }
}
