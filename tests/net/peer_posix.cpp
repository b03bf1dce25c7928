#include "tests/net/peer.h"
#include "net/socket.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

void peerStartup() {}

intptr_t peerListen(uint16_t* port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(fd, 4);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    *port = ntohs(a.sin_port);
    return fd;
}

uint16_t peerClosedPort()
{
    uint16_t port;
    close(static_cast<int>(peerListen(&port)));
    return port;
}

intptr_t peerAccept(intptr_t listener)
{
    pollfd p = {static_cast<int>(listener), POLLIN, 0};
    if (poll(&p, 1, 20000) != 1) return -1;
    int peer = accept(static_cast<int>(listener), nullptr, nullptr);
    timeval wait = {20, 0};
    setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    return peer;
}

void peerSend(intptr_t peer, const std::string& bytes)
{
    send(static_cast<int>(peer), bytes.data(), bytes.size(), 0);
}

std::string peerReceive(intptr_t peer, size_t want)
{
    std::string got;
    char buffer[512];
    for (ssize_t n; got.size() < want && (n = recv(static_cast<int>(peer), buffer, sizeof buffer, 0)) > 0;)
        got.append(buffer, static_cast<size_t>(n));
    return got;
}

void peerClose(intptr_t socket) { close(static_cast<int>(socket)); }

bool deliverEventsUntil(const std::function<bool()>& done, int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;; usleep(1000)) {
        pollSocketEvents();
        if (done()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
    }
}
