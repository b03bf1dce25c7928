// What only the POSIX socket layer has to get right: a connect that a
// signal interrupts is the same connect, waited for to the end.
#include "net/socket.h"
#include "tests/net/peer.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <thread>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

TEST(PosixSocketLayer, ConnectInterruptedBySignalFinishesTheSameConnect)
{
    // A listener whose accept queue is full drops new handshakes, so a
    // connect to it blocks until a place frees up.
    uint16_t port;
    int listener = static_cast<int>(peerListen(&port));
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
    const char* problem = nullptr;
    sockStartup(&problem);
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
