#include "tests/gui/gui_session.h"

#include <X11/Xutil.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

// Starts argv as the leader of a new process group, standard input and
// output on /dev/null, standard error on errorFd (or /dev/null).
pid_t spawn(const std::vector<std::string>& argv, int errorFd)
{
    pid_t pid = fork();
    if (pid != 0) {
        if (pid > 0) setpgid(pid, pid);
        return pid;
    }
    setpgid(0, 0);
    int devnull = open("/dev/null", O_RDWR);
    for (int fd : {0, 1}) dup2(devnull, fd);
    dup2(errorFd >= 0 ? errorFd : devnull, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// Signals a process group, then waits for its leader to end, harder after a while.
void endAndReap(pid_t pid)
{
    int status;
    kill(-pid, SIGTERM);
    for (int i = 0; i < 300; ++i, usleep(10000))
        if (waitpid(pid, &status, WNOHANG) == pid) return;
    kill(-pid, SIGKILL);
    waitpid(pid, &status, 0);
}

std::string titleOf(Session& s, Window window)
{
    XTextProperty property{};
    std::string title;
    if (XGetTextProperty(s.display, window, &property, XInternAtom(s.display, "_NET_WM_NAME", False)) &&
        property.value && property.format == 8)
        title.assign(reinterpret_cast<char*>(property.value), property.nitems);
    if (property.value) XFree(property.value);
    return title;
}

void pollWatch(Session& s)
{
    for (XEvent event; XPending(s.display);) {
        XNextEvent(s.display, &event);
        const XCreateWindowEvent& e = event.xcreatewindow;
        if (event.type == CreateNotify) s.created[e.window] = {e.x, e.y, e.width, e.height, false};
    }
}

int ignoreErrors(Display*, XErrorEvent*) { return 0; }   // windows may vanish at any time

}  // namespace

bool startSession(Session& s, const std::vector<std::string>& serverArgs, const std::vector<std::string>& argv)
{
    int fds[2];
    if (pipe(fds) != 0) return false;
    std::vector<std::string> server = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                       "1280x1024x24", "-nolisten", "tcp", "-noreset"};
    server.insert(server.end(), serverArgs.begin(), serverArgs.end());
    s.server = spawn(server, -1);
    close(fds[1]);
    // The server writes its display number once it takes connections.
    char number[16] = {0};
    const bool up = s.server > 0 && read(fds[0], number, sizeof number - 1) > 0;
    close(fds[0]);
    if (!up) return false;
    setenv("DISPLAY", (":" + std::to_string(std::atoi(number))).c_str(), 1);
    XSetErrorHandler(ignoreErrors);
    if (!(s.display = XOpenDisplay(nullptr))) return false;
    XSelectInput(s.display, DefaultRootWindow(s.display), SubstructureNotifyMask);
    XSync(s.display, False);
    char path[] = "/tmp/quorvish-gui-XXXXXX";
    int errorFd = mkstemp(path);
    if (errorFd < 0) return false;
    s.errorPath = path;
    setenv("QUORVISH_TRACE_FIRST_FRAME", "1", 1);
    s.program = s.group = spawn(argv, errorFd);
    close(errorFd);
    return s.program > 0;
}

void stopSession(Session& s)
{
    if (s.program > 0) endAndReap(s.program);
    if (s.group > 0) kill(-s.group, SIGKILL);   // helpers it started: a message box, a wineserver
    if (!s.errorPath.empty()) unlink(s.errorPath.c_str());
    if (s.display) XCloseDisplay(s.display);
    if (s.server > 0) endAndReap(s.server);
}

bool programEnded(Session& s)
{
    int status = 0;
    if (s.program > 0 && waitpid(s.program, &status, WNOHANG) == s.program) {
        s.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        s.program = -1;
    }
    return s.program <= 0;
}

std::string programErrors(const Session& s)
{
    std::ifstream in(s.errorPath);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool waitUntil(Session& s, const std::function<bool()>& done, double seconds)
{
    for (const double deadline = now() + seconds;; usleep(20000)) {
        pollWatch(s);
        if (done()) return true;
        if (now() >= deadline) return false;
    }
}

Window findWindow(Session& s, const std::string& title)
{
    for (const auto& entry : s.created)
        if (titleOf(s, entry.first) == title) return entry.first;
    return 0;
}

bool windowGeometry(Session& s, Window window, Geometry* out)
{
    XWindowAttributes a;
    if (!XGetWindowAttributes(s.display, window, &a)) return false;
    *out = {a.x, a.y, a.width, a.height, a.map_state == IsViewable};
    return true;
}

void sendCloseRequest(Session& s, Window window)
{
    XEvent event{};
    event.xclient = {ClientMessage, 0, True, s.display, window, XInternAtom(s.display, "WM_PROTOCOLS", False), 32, {}};
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(s.display, "WM_DELETE_WINDOW", False));
    XSendEvent(s.display, window, False, NoEventMask, &event);
    XFlush(s.display);
}

bool xdotool(const std::string& arguments) { return std::system(("xdotool " + arguments).c_str()) == 0; }

void takeScreenshot(const std::string& name)
{
    const char* dir = std::getenv("QUORVISH_SHOT_DIR");
    if (dir && *dir && std::system(("import -window root '" + std::string(dir) + "/" + name + ".png'").c_str()))
        std::fprintf(stderr, "screenshot %s failed\n", name.c_str());
}

bool Listener::open()
{
    sockaddr_in address = {AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    socket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (socket < 0 || bind(socket, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(socket, 1) != 0 ||
        getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    port = ntohs(address.sin_port);
    return true;
}

void Listener::poll()
{
    char buffer[256];
    if (connection < 0) connection = accept4(socket, nullptr, nullptr, SOCK_NONBLOCK);
    for (ssize_t n; connection >= 0 && (n = recv(connection, buffer, sizeof buffer, 0)) > 0;)
        received.append(buffer, static_cast<size_t>(n));
}

Listener::~Listener()
{
    if (connection >= 0) close(connection);
    if (socket >= 0) close(socket);
}

const char* connectThroughMenu(Session& s, const MenuSpots& spots, const std::string& dialogTitle, int port)
{
    auto click = [](double x, double y) {
        return "mousemove --sync " + std::to_string(int(x)) + " " + std::to_string(int(y)) + " click 1";
    };
    if (!xdotool(click(spots.hostAddress[0], spots.hostAddress[1]))) return "click the host address label";
    Window dialog = 0;
    Geometry g;
    if (!waitUntil(s, [&] { return (dialog = findWindow(s, dialogTitle)) && windowGeometry(s, dialog, &g) && g.mapped; },
                   60.0))
        return "the connect dialog did not open";
    auto at = [&](const double* f) { return click(g.x + g.width * f[0], g.y + g.height * f[1]); };
    if (!xdotool("windowfocus --sync " + std::to_string(dialog) + " " + at(spots.hostField) + " type 127.0.0.1") ||
        !xdotool(at(spots.portField) + " key End BackSpace BackSpace type " + std::to_string(port)) ||
        !xdotool(at(spots.okButton)))
        return "fill in the dialog";
    // The dialog closes on OK; the next click goes to the menu.
    if (!waitUntil(s, [&] { return !windowGeometry(s, dialog, &g) || !g.mapped; }, 60.0))
        return "the dialog did not close on OK";
    return xdotool(click(spots.connect[0], spots.connect[1])) ? nullptr : "click the connect button";
}
