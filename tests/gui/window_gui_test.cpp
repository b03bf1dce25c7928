// The Linux program's main window under a private X server: caption, size
// from the desktop, the aspect on the first pass, the close request, and a
// failing graphics set-up.
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <unistd.h>

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
        ASSERT_TRUE(mapSpareKeysyms({XK_ssharp, XK_EuroSign, XK_eacute}));
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

    // Menu and dialog positions in a 1280 x 544 client area; the dialog's
    // fields from its 126 x 69 dialog-unit layout.
    const MenuSpots spots = {{170, 434}, {993, 330}, {43 / 126.0, 37 / 69.0},
                             {103 / 126.0, 37 / 69.0}, {31 / 126.0, 56 / 69.0}};
    std::string failedStep;
    ASSERT_TRUE(connectThroughMenu(watch, spots, "Quorvish Telnet v0.2", host.port, &failedStep))
        << failedStep;
    ASSERT_TRUE(waitUntil(watch, [&] { host.poll(); return host.connection >= 0; }, START_SECONDS))
        << "no connection; the menu or the dialog may have moved";
    takeScreenshot("linux_terminal");

    // Letters, Latin-1 and Windows-1252 characters, and the keys without
    // text of their own; Ctrl+digit and Alt+letter type nothing.
    ASSERT_TRUE(xdotool("windowfocus --sync " + main +
                        " key a ssharp EuroSign eacute Return ctrl+c BackSpace Escape Tab ctrl+1 alt+x ctrl+z"));
    const std::string expected = "ma\xDF\x80\xE9\r\x03\x08\x1B\t\x1A";
    waitUntil(watch, [&] { host.poll(); return host.received.size() >= expected.size(); },
              START_SECONDS);
    usleep(300000);   // anything extra would arrive now
    host.poll();
    EXPECT_EQ(hexBytes(host.received), hexBytes(expected));

    sendCloseRequest(watch, window);
    ASSERT_TRUE(waitUntil(watch, [&] { return programEnded(program); }, START_SECONDS));
    EXPECT_EQ(program.exitCode, 1);
}

}  // namespace
