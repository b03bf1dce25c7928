#include "tests/menu/x_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

double now()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

void killAndReap(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace

bool startXSession(XSession& session, const char* screen)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        close(fds[0]);
        char fdText[16];
        std::snprintf(fdText, sizeof fdText, "%d", fds[1]);
        int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        execlp("Xvfb", "Xvfb", "-displayfd", fdText, "-screen", "0", screen, "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    session.serverPid = pid;

    // The server writes its display number once it accepts connections.
    char text[32] = {0};
    size_t used = 0;
    double deadline = now() + 30.0;
    while (used < sizeof text - 1 && now() < deadline) {
        pollfd p = {fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        ssize_t n = read(fds[0], text + used, sizeof text - 1 - used);
        if (n <= 0)
            break;
        used += static_cast<size_t>(n);
        if (std::memchr(text, '\n', used))
            break;
    }
    close(fds[0]);
    if (used == 0 || !std::memchr(text, '\n', used)) {
        stopXSession(session);
        return false;
    }
    session.display = std::atoi(text);
    char name[32];
    std::snprintf(name, sizeof name, ":%d", session.display);
    setenv("DISPLAY", name, 1);
    return true;
}

void stopXSession(XSession& session)
{
    if (session.serverPid > 0)
        killAndReap(session.serverPid);
    session.serverPid = -1;
}

int runPumping(const std::vector<std::string>& argv, const std::function<void()>& pump,
               double timeoutSeconds)
{
    pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    double deadline = now() + timeoutSeconds;
    while (now() < deadline) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        pump();
        usleep(2000);
    }
    killAndReap(pid);
    return -1;
}

bool pumpUntil(const std::function<bool()>& done, const std::function<void()>& pump,
               double timeoutSeconds)
{
    double deadline = now() + timeoutSeconds;
    while (!done()) {
        if (now() >= deadline)
            return false;
        pump();
        usleep(2000);
    }
    return true;
}
