#include "tests/gui/gui_session.h"

#include <X11/Xatom.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

double now()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// Signals a process (or, with a negative id, a process group), then waits
// for `pid` to end, harder after a while.
void endAndReap(pid_t target, pid_t pid, int* status)
{
    kill(target, SIGTERM);
    for (int i = 0; i < 300; ++i) {
        if (waitpid(pid, status, WNOHANG) == pid) return;
        usleep(10000);
    }
    kill(target, SIGKILL);
    waitpid(pid, status, 0);
}

std::string readProperty(Display* display, Window window, const char* name, Atom* type)
{
    Atom property = XInternAtom(display, name, False);
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string value;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &actualType,
                           &format, &count, &after, &data) == Success &&
        data && format == 8)
        value.assign(reinterpret_cast<char*>(data), count);
    if (data) XFree(data);
    if (type) *type = actualType;
    return value;
}

int ignoreErrors(Display*, XErrorEvent*) { return 0; }   // windows may vanish at any time

}  // namespace

bool startXServer(XServer& server, const std::vector<std::string>& extraArgs)
{
    int fds[2];
    if (pipe(fds) != 0) return false;
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        close(fds[0]);
        std::string fd = std::to_string(fds[1]);
        std::vector<std::string> args = {"Xvfb", "-displayfd", fd, "-screen", "0", "1280x1024x24",
                                         "-nolisten", "tcp", "-noreset"};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        execvp("Xvfb", argv.data());
        _exit(127);
    }
    close(fds[1]);
    server.pid = pid;
    // The server writes its display number once it accepts connections.
    char text[32] = {0};
    size_t used = 0;
    const double deadline = now() + 30.0;
    while (used < sizeof text - 1 && !std::memchr(text, '\n', used) && now() < deadline) {
        pollfd p = {fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        ssize_t n = read(fds[0], text + used, sizeof text - 1 - used);
        if (n <= 0) break;
        used += static_cast<size_t>(n);
    }
    close(fds[0]);
    if (!std::memchr(text, '\n', used)) {
        stopXServer(server);
        return false;
    }
    server.display = std::atoi(text);
    setenv("DISPLAY", (":" + std::to_string(server.display)).c_str(), 1);
    return true;
}

void stopXServer(XServer& server)
{
    if (server.pid > 0) {
        int status;
        endAndReap(server.pid, server.pid, &status);
    }
    server.pid = -1;
}

bool startProgram(Program& program, const std::vector<std::string>& argv,
                  const std::vector<std::string>& env)
{
    char path[] = "/tmp/quorvish-gui-XXXXXX";
    int errorFd = mkstemp(path);
    if (errorFd < 0) return false;
    program.errorPath = path;
    program.exitCode = -2;
    pid_t pid = fork();
    if (pid < 0) {
        close(errorFd);
        return false;
    }
    if (pid == 0) {
        setpgid(0, 0);
        dup2(errorFd, 2);
        int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, 0);
            dup2(devnull, 1);
        }
        for (const std::string& assignment : env) putenv(const_cast<char*>(assignment.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(errorFd);
    setpgid(pid, pid);
    program.pid = pid;
    return true;
}

bool programEnded(Program& program)
{
    if (program.pid <= 0) return true;
    int status = 0;
    if (waitpid(program.pid, &status, WNOHANG) != program.pid) return false;
    program.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    program.pid = -1;
    return true;
}

void stopProgram(Program& program)
{
    if (program.pid > 0) {
        int status = 0;
        endAndReap(-program.pid, program.pid, &status);
        program.exitCode = -1;
        // Helpers it started (a message box child, wine's server) go too.
        kill(-program.pid, SIGKILL);
        program.pid = -1;
    }
    if (!program.errorPath.empty()) unlink(program.errorPath.c_str());
    program.errorPath.clear();
}

std::string programErrors(const Program& program)
{
    std::ifstream in(program.errorPath);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool openWatch(WindowWatch& watch)
{
    XSetErrorHandler(ignoreErrors);
    watch.display = XOpenDisplay(nullptr);
    if (!watch.display) return false;
    XSelectInput(watch.display, DefaultRootWindow(watch.display), SubstructureNotifyMask);
    XSync(watch.display, False);
    return true;
}

void closeWatch(WindowWatch& watch)
{
    if (watch.display) XCloseDisplay(watch.display);
    watch.display = nullptr;
    watch.windows.clear();
}

void pollWatch(WindowWatch& watch)
{
    while (XPending(watch.display)) {
        XEvent event;
        XNextEvent(watch.display, &event);
        if (event.type == CreateNotify) {
            Window window = event.xcreatewindow.window;
            TopLevel& top = watch.windows[window];
            top.createdX = event.xcreatewindow.x;
            top.createdY = event.xcreatewindow.y;
            top.createdWidth = event.xcreatewindow.width;
            top.createdHeight = event.xcreatewindow.height;
            // Titles set from now on arrive as events; one set before is read now.
            XSelectInput(watch.display, window, PropertyChangeMask);
            windowTitleUtf8(watch, window);
        } else if (event.type == PropertyNotify &&
                   event.xproperty.atom == XInternAtom(watch.display, "_NET_WM_NAME", False)) {
            windowTitleUtf8(watch, event.xproperty.window);
        }
    }
}

std::string windowTitleUtf8(WindowWatch& watch, Window window)
{
    std::string title = readProperty(watch.display, window, "_NET_WM_NAME", nullptr);
    auto known = watch.windows.find(window);
    if (known != watch.windows.end() && !title.empty()) known->second.title = title;
    return title;
}

std::string windowNameLatin1(WindowWatch& watch, Window window)
{
    Atom type = None;
    std::string name = readProperty(watch.display, window, "WM_NAME", &type);
    return type == XA_STRING ? name : std::string();
}

Window findWindow(WindowWatch& watch, const std::string& title)
{
    for (const auto& entry : watch.windows)
        if (windowTitleUtf8(watch, entry.first) == title) return entry.first;
    return 0;
}

int countWindows(WindowWatch& watch, const std::string& title)
{
    int count = 0;
    pollWatch(watch);
    for (const auto& entry : watch.windows)
        if (entry.second.title == title) ++count;
    return count;
}

bool windowGeometry(WindowWatch& watch, Window window, Geometry* out)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(watch.display, window, &attributes)) return false;
    out->x = attributes.x;
    out->y = attributes.y;
    out->width = attributes.width;
    out->height = attributes.height;
    out->mapped = attributes.map_state == IsViewable;
    return true;
}

void sendCloseRequest(WindowWatch& watch, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(watch.display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(watch.display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(watch.display, window, False, NoEventMask, &event);
    XFlush(watch.display);
}

bool waitUntil(WindowWatch& watch, const std::function<bool()>& done, double timeoutSeconds)
{
    const double deadline = now() + timeoutSeconds;
    for (;;) {
        pollWatch(watch);
        if (done()) return true;
        if (now() >= deadline) return false;
        usleep(20000);
    }
}

void takeScreenshot(const std::string& name)
{
    const char* dir = std::getenv("QUORVISH_SHOT_DIR");
    if (!dir || !*dir) return;
    std::string command = "import -window root '" + std::string(dir) + "/" + name + ".png'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "screenshot %s failed\n", name.c_str());
}

bool xdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments).c_str()) == 0;
}

bool mapSpareKeysyms(const std::vector<KeySym>& keysyms)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    int keycode = 248;
    for (KeySym keysym : keysyms) {
        KeySym both[2] = {keysym, keysym};
        XChangeKeyboardMapping(display, keycode++, 2, both, 1);
    }
    XSync(display, False);
    XCloseDisplay(display);
    return true;
}

bool Listener::open()
{
    socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (socket < 0 || bind(socket, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(socket, 1) != 0 ||
        getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    port = ntohs(address.sin_port);
    return true;
}

void Listener::poll()
{
    if (connection < 0) {
        pollfd p = {socket, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0) connection = accept(socket, nullptr, nullptr);
        return;
    }
    pollfd p = {connection, POLLIN, 0};
    while (::poll(&p, 1, 0) > 0) {
        char buffer[256];
        ssize_t n = recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        received.append(buffer, static_cast<size_t>(n));
    }
}

Listener::~Listener()
{
    if (connection >= 0) close(connection);
    if (socket >= 0) close(socket);
}

std::string hexBytes(const std::string& bytes)
{
    std::string out;
    char cell[4];
    for (unsigned char b : bytes) {
        std::snprintf(cell, sizeof cell, "%02x ", b);
        out += cell;
    }
    return out;
}

bool connectThroughMenu(WindowWatch& watch, const MenuSpots& spots, const std::string& dialogTitle,
                        int port, std::string* failedStep)
{
    auto fail = [&](const char* step) {
        *failedStep = step;
        return false;
    };
    auto point = [](int x, int y) { return std::to_string(x) + " " + std::to_string(y); };
    if (!xdotool("mousemove --sync " + point(spots.hostAddress[0], spots.hostAddress[1]) + " click 1"))
        return fail("click the host address label");
    Window dialog = 0;
    Geometry shape;
    if (!waitUntil(watch, [&] {
            return (dialog = findWindow(watch, dialogTitle)) != 0 &&
                   windowGeometry(watch, dialog, &shape) && shape.mapped;
        }, 60.0))
        return fail("the connect dialog did not open");
    auto at = [&](const double* fraction) {
        return point(shape.x + static_cast<int>(shape.width * fraction[0]),
                     shape.y + static_cast<int>(shape.height * fraction[1]));
    };
    if (!xdotool("windowfocus --sync " + std::to_string(dialog)) ||
        !xdotool("mousemove --sync " + at(spots.hostField) + " click 1 type 127.0.0.1") ||
        !xdotool("mousemove --sync " + at(spots.portField) + " click 1 key End BackSpace BackSpace type " +
                 std::to_string(port)) ||
        !xdotool("mousemove --sync " + at(spots.okButton) + " click 1"))
        return fail("fill in the dialog");
    // The dialog closes on OK; the next click goes to the menu.
    if (!waitUntil(watch, [&] { return !windowGeometry(watch, dialog, &shape) || !shape.mapped; }, 60.0))
        return fail("the dialog did not close on OK");
    if (!xdotool("mousemove --sync " + point(spots.connect[0], spots.connect[1]) + " click 1"))
        return fail("click the connect button");
    return true;
}
