// The Linux connect dialog driven as a person would: the dialogs opened in
// this process and pumped by pumpDialogs, xdotool clicking and typing. Run
// on a private X server (tests/gui/xsession.py).
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/dialog.h"
#include "net/connection.h"

// The connection's two values the dialog writes.
char HostName[HOST_NAME_SIZE];
uint32_t PortNumber = DEFAULT_PORT;

namespace {

enum { OK, CANCEL, HOST, PORT };   // the dialog's first children, in template order

// Pumps the dialogs until done() holds; false after 15000 pauses of 2 ms or more.
bool pumpUntil(const std::function<bool()>& done)
{
    for (int pauses = 0; pauses < 15000; ++pauses, usleep(2000)) {
        if (done())
            return true;
        pumpDialogs();
    }
    return false;
}

// Runs a program to its end while the dialogs are pumped; true if it exits with 0.
bool run(std::vector<std::string> argv)
{
    std::vector<char*> args;
    for (std::string& a : argv)
        args.push_back(&a[0]);
    args.push_back(nullptr);
    pid_t pid;
    int status = -1;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
        return false;
    if (!pumpUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; })) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<Fl_Window*> dialogs()
{
    std::vector<Fl_Window*> found;
    for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w))
        if (w->visible() && w->label() && std::strcmp(w->label(), "Quorvish Telnet v0.2") == 0)
            found.push_back(w);
    return found;
}

// Opens a dialog and waits until the server shows it, so that clicks reach it.
Fl_Window* open()
{
    const size_t before = dialogs().size();
    XWindowAttributes shown;
    if (!openConnectDialog() || !pumpUntil([&] {
            return dialogs().size() == before + 1 && XGetWindowAttributes(fl_display, fl_xid(dialogs().front()), &shown) &&
                   shown.map_state == IsViewable;
        }))
        return nullptr;
    return dialogs().front();   // FLTK lists the newest window first
}

const char* text(Fl_Window* d, int child) { return static_cast<Fl_Input*>(d->child(child))->value(); }

// xdotool with the dialog focused, e.g. {"key", "Escape"} or {"type", "abc"}.
bool xdotool(Fl_Window* d, std::vector<std::string> command)
{
    command.insert(command.begin(), {"xdotool", "windowfocus", "--sync", std::to_string(fl_xid(d))});
    return run(command);
}

void click(Fl_Window* d, int child)
{
    const Fl_Widget* w = d->child(child);
    ASSERT_TRUE(run({"xdotool", "mousemove", "--sync", std::to_string(d->x_root() + w->x() + w->w() / 2),
                     std::to_string(d->y_root() + w->y() + w->h() / 2), "click", "1"}));
}

// Clicks into a field, empties it, types and waits until the field shows `shown`.
void fill(Fl_Window* d, int child, const std::string& typed, const char* shown = nullptr)
{
    click(d, child);
    ASSERT_TRUE(pumpUntil([&] { return Fl::focus() == d->child(child); }));
    ASSERT_TRUE(xdotool(d, {"key", "ctrl+a", "BackSpace", "type", "--delay", "2", "--", typed}));
    ASSERT_TRUE(pumpUntil([&] { return (shown ? shown : typed) == text(d, child); }));
}

void press(Fl_Window* d, int button)
{
    const size_t before = dialogs().size();
    click(d, button);
    ASSERT_TRUE(pumpUntil([&] { return dialogs().size() == before - 1; })) << "the dialog stays open";
}

class ConnectDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::strcpy(HostName, "before");
        PortNumber = 4242;
    }
    void TearDown() override
    {
        for (Fl_Window* d : dialogs())
            d->child(CANCEL)->do_callback();
        pumpUntil([] { return dialogs().empty(); });
    }
};

TEST_F(ConnectDialog, OkStoresHostAndPort)
{
    std::string longHost;
    for (int i = 0; i < 300; ++i)
        longHost += static_cast<char>('a' + i % 26);
    const struct { std::string host, port, storedHost; uint32_t storedPort; } cases[] = {
        {"abc", "80", "abc", 80},
        {"", "", "", 23},   // an empty port field stores the telnet port
        {"zero.port", "0", "zero.port", 0},
        {"too.big", "4294967296", "too.big", 23},
        {longHost, "4294967295", longHost.substr(0, 254), 4294967295u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host.substr(0, 20) + " : " + c.port);
        Fl_Window* d = open();
        ASSERT_NE(nullptr, d);
        fill(d, HOST, c.host);
        fill(d, PORT, c.port);
        press(d, OK);
        EXPECT_EQ(c.storedHost, HostName);
        EXPECT_EQ(c.storedPort, PortNumber);
    }
}

TEST_F(ConnectDialog, HostIsStoredInWindows1252)
{
    // One byte per character, as the Windows dialog hands them over; '?'
    // for one that code page lacks. (Set, not typed: xdotool loses such
    // characters on a bare X server.)
    Fl_Window* d = open();
    ASSERT_NE(nullptr, d);
    static_cast<Fl_Input*>(d->child(HOST))->value("h\u20acst \u201cq\u201d \u00e9\u0100");
    press(d, OK);
    EXPECT_STREQ("h\x80st \x93q\x94 \xe9?", HostName);
}

TEST_F(ConnectDialog, PortFieldTakesDigitsOnly)
{
    Fl_Window* d = open();
    ASSERT_NE(nullptr, d);
    fill(d, PORT, "-0x1f +7a.9", "0179");   // signs, letters, spaces and dots refused as typed
    Fl::copy("12ab-34 ", 8, 1);
    ASSERT_TRUE(xdotool(d, {"key", "ctrl+v", "BackSpace"}));   // a paste keeps its digits
    ASSERT_TRUE(pumpUntil([&] { return std::string("0179123") == text(d, PORT); }));
    press(d, OK);
    EXPECT_EQ(179123u, PortNumber);
}

TEST_F(ConnectDialog, OnlyOkAndCancelCloseIt)
{
    Fl_Window* d = open();
    ASSERT_NE(nullptr, d);
    fill(d, HOST, "typed.host");
    ASSERT_TRUE(xdotool(d, {"key", "Escape", "Return", "KP_Enter", "Tab", "ISO_Left_Tab"}));
    Fl::handle(FL_CLOSE, d);   // what a window manager's close box sends
    // Typed after all that, "x" still lands in the host field of the open dialog.
    ASSERT_TRUE(xdotool(d, {"type", "x"}));
    EXPECT_TRUE(pumpUntil([&] { return std::string("typed.hostx") == text(d, HOST); }));
    press(d, CANCEL);
    EXPECT_TRUE(std::string("before") == HostName && PortNumber == 4242) << "Cancel stores nothing";
}

TEST_F(ConnectDialog, TheLastOkWinsAndAFreshDialogIsEmpty)
{
    Fl_Window* first = open();
    ASSERT_NE(nullptr, first);
    first->position(100, 100);   // out from under the second
    Fl_Window* second = open();
    ASSERT_NE(nullptr, second);
    XSync(fl_display, False);
    fill(first, HOST, "first.host");
    fill(first, PORT, "1111");
    EXPECT_TRUE(*text(second, HOST) == '\0' && std::string("23") == text(second, PORT)) << "a fresh dialog is empty";
    fill(second, HOST, "second.host");
    fill(second, PORT, "2222");
    press(first, OK);
    EXPECT_TRUE(std::string("first.host") == HostName && PortNumber == 1111);
    press(second, OK);
    EXPECT_TRUE(std::string("second.host") == HostName && PortNumber == 2222);

    Fl_Window* again = open();
    ASSERT_NE(nullptr, again);
    EXPECT_TRUE(*text(again, HOST) == '\0' && std::string("23") == text(again, PORT)) << "reopened after an OK";
}

}  // namespace

// The font libraries under FLTK keep caches for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libXft.so\n"; }
