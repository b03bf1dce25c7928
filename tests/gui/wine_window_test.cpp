// The Windows program's main window under Wine and a private X server:
// caption, size from the desktop, the aspect on the first pass, the close
// request, and a failing pixel format. Runs through the project's Wine
// runner (one private prefix, its own wineserver).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/gui/gui_session.h"

namespace {

const char Caption[] = "QuorvishTelnet v0.2\xC3\x9F - www.quorvish-telnet.test";
const char CaptionLatin1[] = "QuorvishTelnet v0.2\xDF - www.quorvish-telnet.test";
const char ErrorCaption[] = "Error";
// The first run boots the prefix (up to a minute on a loaded machine).
const double START_SECONDS = 240.0;

class WineWindowTest : public ::testing::Test {
protected:
    XServer server;
    WindowWatch watch;
    Program program;

    void startWith(const std::vector<std::string>& serverArgs)
    {
        ASSERT_TRUE(startXServer(server, serverArgs)) << "Xvfb did not start";
        ASSERT_TRUE(openWatch(watch));
        ASSERT_TRUE(startProgram(program,
                                 {QUORVISH_WINE_RUN, "--prefix", QUORVISH_WINE_PREFIX, "--timeout",
                                  "600", QUORVISH_WINDOWS_PROGRAM},
                                 {"QUORVISH_TRACE_FIRST_FRAME=1"}));
    }

    void TearDown() override
    {
        if (!programEnded(program)) {
            // Ends every process of the prefix through its server, so that no
            // Wine process outlives the run (and keeps the runner's lock).
            std::string kill = std::string("WINEPREFIX='") + QUORVISH_WINE_PREFIX +
                               "' WINEARCH=win32 wineserver -k";
            if (std::system(kill.c_str()) != 0) std::fprintf(stderr, "wineserver -k failed\n");
            waitUntil(watch, [&] { return programEnded(program); }, 60.0);
        }
        stopProgram(program);
        closeWatch(watch);
        stopXServer(server);
    }

    bool drewAFrame() { return programErrors(program).find("first-frame") != std::string::npos; }
};

TEST_F(WineWindowTest, WindowHasTheCaptionTheDesktopSizeAndTheAspectAndClosesWithOne)
{
    startWith({});
    Window window = 0;
    ASSERT_TRUE(waitUntil(watch, [&] { return (window = findWindow(watch, Caption)) != 0; },
                          START_SECONDS))
        << programErrors(program);
    EXPECT_EQ(windowNameLatin1(watch, window), CaptionLatin1);

    // Created at the top left, as wide as the desktop and half as high
    // (frame and caption included: Wine draws them inside the X window).
    const TopLevel& created = watch.windows[window];
    EXPECT_EQ(created.createdX, 0);
    EXPECT_EQ(created.createdY, 0);
    EXPECT_EQ(created.createdWidth, 1280);
    EXPECT_EQ(created.createdHeight, 512);

    Geometry shape;
    ASSERT_TRUE(waitUntil(watch, [&] {
        return windowGeometry(watch, window, &shape) && shape.mapped && shape.height == 544 &&
               drewAFrame();
    }, START_SECONDS))
        << shape.width << "x" << shape.height << " mapped " << shape.mapped << "\n"
        << programErrors(program);
    EXPECT_EQ(shape.x, 0);
    EXPECT_EQ(shape.y, 0);
    EXPECT_EQ(shape.width, 1280);
    takeScreenshot("wine_window");

    usleep(300000);
    ASSERT_TRUE(windowGeometry(watch, window, &shape));
    EXPECT_EQ(shape.height, 544);

    sendCloseRequest(watch, window);
    ASSERT_TRUE(waitUntil(watch, [&] { return programEnded(program); }, START_SECONDS));
    EXPECT_EQ(program.exitCode, 1) << programErrors(program);
}

TEST_F(WineWindowTest, WithoutOpenGLOneMessageBoxThenExitOneWithoutAFrame)
{
    // Without GLX, Wine has no OpenGL pixel format to offer.
    startWith({"-extension", "GLX"});
    Window box = 0;
    ASSERT_TRUE(waitUntil(watch, [&] { return (box = findWindow(watch, ErrorCaption)) != 0; },
                          START_SECONDS))
        << programErrors(program);
    takeScreenshot("wine_no_gl");
    EXPECT_FALSE(programEnded(program)) << "the box waits for the user";

    sendCloseRequest(watch, box);
    ASSERT_TRUE(waitUntil(watch, [&] { return programEnded(program); }, START_SECONDS));
    EXPECT_EQ(program.exitCode, 1) << programErrors(program);
    EXPECT_EQ(countWindows(watch, ErrorCaption), 1);
    EXPECT_FALSE(drewAFrame()) << programErrors(program);
}

TEST_F(WineWindowTest, TypedKeysReachTheHostAsOneWindows1252ByteEach)
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
    }, START_SECONDS))
        << programErrors(program);
    const std::string main = std::to_string(window);

    // The rain view: under Wine's 32-bit Mesa the perspective view's first
    // frame currently faults inside the driver, which this test is not about.
    ASSERT_TRUE(xdotool("mousemove --sync 191 105 click 1"));
    ASSERT_TRUE(xdotool("windowfocus --sync " + main + " key m"));
    // Wine draws the caption and frame inside the 1280 x 544 window, so the
    // menu sits lower than on Linux; the dialog's window has its caption too.
    const MenuSpots spots = {{191, 439}, {975, 336}, {0.34, 0.60}, {0.81, 0.60}, {0.25, 0.82}};
    std::string failedStep;
    ASSERT_TRUE(connectThroughMenu(watch, spots, "Quorvish Telnet v0.2", host.port, &failedStep))
        << failedStep;
    ASSERT_TRUE(waitUntil(watch, [&] { host.poll(); return host.connection >= 0; }, START_SECONDS))
        << "no connection; the menu or the dialog may have moved";
    takeScreenshot("wine_terminal");

    // Keys of the US layout only: Wine gives keys outside the layout it
    // recognised no character, whether xdotool maps them on the fly or they
    // are mapped before Wine starts.
    // Alt combinations are left out: they open the window's system menu.
    ASSERT_TRUE(xdotool("windowfocus --sync " + main +
                        " key a A Return ctrl+c BackSpace Escape Tab ctrl+1 ctrl+z"));
    const std::string expected = "maA\r\x03\x08\x1B\t\x1A";
    waitUntil(watch, [&] { host.poll(); return host.received.size() >= expected.size(); },
              START_SECONDS);
    usleep(300000);
    host.poll();
    EXPECT_EQ(hexBytes(host.received), hexBytes(expected));

    sendCloseRequest(watch, window);
    ASSERT_TRUE(waitUntil(watch, [&] { return programEnded(program); }, START_SECONDS));
    EXPECT_EQ(program.exitCode, 1);
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (access(QUORVISH_WINDOWS_PROGRAM, R_OK) != 0) {
        std::printf("%s is not built; build the Windows side first\n", QUORVISH_WINDOWS_PROGRAM);
        return 77;
    }
    return RUN_ALL_TESTS();
}
