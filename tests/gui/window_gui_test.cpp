// The Linux program's main window under a private X server: caption, size
// from the desktop, the aspect on the first pass, the close request, and a
// failing graphics set-up.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tests/gui/gui_session.h"

namespace {

const char Caption[] = "QuorvishTelnet v0.2\xC3\x9F - www.quorvish-telnet.test";
const char CaptionLatin1[] = "QuorvishTelnet v0.2\xDF - www.quorvish-telnet.test";
const char ErrorCaption[] = "Error";
const double START_SECONDS = 60.0;   // a loaded machine may be slow; the waits end early

class LinuxWindowTest : public ::testing::Test {
protected:
    XServer server;
    WindowWatch watch;
    Program program;

    void startWith(const std::vector<std::string>& serverArgs)
    {
        ASSERT_TRUE(startXServer(server, serverArgs)) << "Xvfb did not start";
        ASSERT_TRUE(openWatch(watch));
        ASSERT_TRUE(startProgram(program, {QUORVISH_LINUX_PROGRAM}, {"QUORVISH_TRACE_FIRST_FRAME=1"}));
    }

    void TearDown() override
    {
        stopProgram(program);
        closeWatch(watch);
        stopXServer(server);
    }

    bool drewAFrame() { return programErrors(program).find("first-frame") != std::string::npos; }
};

TEST_F(LinuxWindowTest, WindowHasTheCaptionTheDesktopSizeAndTheAspectAndClosesWithOne)
{
    startWith({});
    Window window = 0;
    ASSERT_TRUE(waitUntil(watch, [&] { return (window = findWindow(watch, Caption)) != 0; },
                          START_SECONDS))
        << programErrors(program);
    EXPECT_EQ(windowNameLatin1(watch, window), CaptionLatin1);

    // Created at the top left, as wide as the desktop and half as high.
    const TopLevel& created = watch.windows[window];
    EXPECT_EQ(created.createdX, 0);
    EXPECT_EQ(created.createdY, 0);
    EXPECT_EQ(created.createdWidth, 1280);
    EXPECT_EQ(created.createdHeight, 512);

    // The first pass gives it the widescreen aspect: 1280 / 2.35 = 544.68.
    Geometry shape;
    ASSERT_TRUE(waitUntil(watch, [&] {
        return windowGeometry(watch, window, &shape) && shape.mapped && shape.height == 544 &&
               drewAFrame();
    }, START_SECONDS))
        << shape.width << "x" << shape.height << " mapped " << shape.mapped;
    EXPECT_EQ(shape.x, 0);
    EXPECT_EQ(shape.y, 0);
    EXPECT_EQ(shape.width, 1280);
    takeScreenshot("linux_window");

    // It stays so while frames go on.
    usleep(300000);
    ASSERT_TRUE(windowGeometry(watch, window, &shape));
    EXPECT_EQ(shape.height, 544);
    EXPECT_FALSE(programEnded(program));

    sendCloseRequest(watch, window);
    ASSERT_TRUE(waitUntil(watch, [&] { return programEnded(program); }, START_SECONDS));
    EXPECT_EQ(program.exitCode, 1) << programErrors(program);
}

TEST_F(LinuxWindowTest, WithoutAnOpenGLVisualOneMessageBoxThenExitOneWithoutAFrame)
{
    // A server without the GLX extension offers no OpenGL visual at all.
    startWith({"-extension", "GLX"});
    Window box = 0;
    ASSERT_TRUE(waitUntil(watch, [&] { return (box = findWindow(watch, ErrorCaption)) != 0; },
                          START_SECONDS))
        << programErrors(program);
    // The main window exists, not yet shown, and nothing is drawn.
    Window window = findWindow(watch, Caption);
    EXPECT_NE(window, 0u);
    Geometry shape;
    if (window && windowGeometry(watch, window, &shape)) {
        EXPECT_FALSE(shape.mapped);
    }
    takeScreenshot("linux_no_gl");
    EXPECT_FALSE(programEnded(program)) << "the box waits for the user";

    sendCloseRequest(watch, box);   // dismissing the box
    ASSERT_TRUE(waitUntil(watch, [&] { return programEnded(program); }, START_SECONDS));
    EXPECT_EQ(program.exitCode, 1);
    EXPECT_EQ(countWindows(watch, ErrorCaption), 1);
    EXPECT_FALSE(drewAFrame()) << programErrors(program);
}

// ---- Typed keys, end to end -------------------------------------------------

// A listener on 127.0.0.1 at a port the system picks, standing in for the
// host: takes the program's connection and collects what it sends.
struct Listener {
    int socket = -1;
    int connection = -1;
    int port = 0;
    std::string received;

    bool open()
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
    // Accepts when a connection waits, then reads what has arrived.
    void poll()
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
    ~Listener()
    {
        if (connection >= 0) close(connection);
        if (socket >= 0) close(socket);
    }
};

std::string hex(const std::string& bytes)
{
    std::string out;
    char cell[4];
    for (unsigned char b : bytes) {
        std::snprintf(cell, sizeof cell, "%02x ", b);
        out += cell;
    }
    return out;
}

TEST_F(LinuxWindowTest, TypedKeysReachTheHostAsOneWindows1252ByteEach)
{
    Listener host;
    ASSERT_TRUE(host.open());
    startWith({});
    Window window = 0;
    Geometry shape;
    ASSERT_TRUE(waitUntil(watch, [&] {
        window = findWindow(watch, Caption);
        return window && windowGeometry(watch, window, &shape) && shape.height == 544 &&
               drewAFrame();
    }, START_SECONDS));
    const std::string main = std::to_string(window);

    // Typed in the start menu: queued, sent once connected.
    ASSERT_TRUE(xdotool("windowfocus --sync " + main + " type m"));

    // The host address row opens the connect dialog; fill it in and connect.
    ASSERT_TRUE(xdotool("mousemove --sync 170 434 click 1"));
    Window dialog = 0;
    ASSERT_TRUE(waitUntil(watch, [&] {
        return (dialog = findWindow(watch, "Quorvish Telnet v0.2")) != 0 &&
               windowGeometry(watch, dialog, &shape) && shape.mapped;
    }, START_SECONDS));
    // Field centres from the dialog's layout (126 x 69 dialog units).
    auto at = [&](int unitX, int unitY) {
        return std::to_string(shape.x + shape.width * unitX / 126) + " " +
               std::to_string(shape.y + shape.height * unitY / 69);
    };
    const std::string box = std::to_string(dialog);
    ASSERT_TRUE(xdotool("windowfocus --sync " + box));
    ASSERT_TRUE(xdotool("mousemove --sync " + at(43, 37) + " click 1 type 127.0.0.1"));
    ASSERT_TRUE(xdotool("mousemove --sync " + at(103, 37) +
                        " click 1 key End BackSpace BackSpace type " + std::to_string(host.port)));
    ASSERT_TRUE(xdotool("mousemove --sync " + at(31, 56) + " click 1"));
    ASSERT_TRUE(xdotool("mousemove --sync 993 330 click 1"));
    ASSERT_TRUE(waitUntil(watch, [&] { host.poll(); return host.connection >= 0; }, START_SECONDS))
        << "no connection; the menu or the dialog may have moved";
    takeScreenshot("linux_terminal");

    // Letters, Latin-1 and Windows-1252 characters, and the keys without
    // text of their own; Ctrl+digit and Alt+letter type nothing.
    ASSERT_TRUE(xdotool("windowfocus --sync " + main + " type 'a\xC3\x9F\xE2\x82\xAC\xC3\xA9'"));
    ASSERT_TRUE(xdotool("key Return ctrl+c BackSpace Escape Tab ctrl+1 alt+x ctrl+z"));
    const std::string expected = "ma\xDF\x80\xE9\r\x03\x08\x1B\t\x1A";
    waitUntil(watch, [&] { host.poll(); return host.received.size() >= expected.size(); },
              START_SECONDS);
    usleep(300000);   // anything extra would arrive now
    host.poll();
    EXPECT_EQ(hex(host.received), hex(expected));

    sendCloseRequest(watch, window);
    ASSERT_TRUE(waitUntil(watch, [&] { return programEnded(program); }, START_SECONDS));
    EXPECT_EQ(program.exitCode, 1);
}

}  // namespace
