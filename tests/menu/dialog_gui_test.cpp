// The Linux connect dialog driven as a person would: a private Xvfb, the
// dialog opened in this process and pumped by pumpDialogs, xdotool moving
// the pointer, clicking and typing.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/dialog.h"
#include "net/connection.h"
#include "tests/menu/x_session.h"

// The connection's two values the dialog writes; the rest of the
// connection is not part of this program.
char HostName[HOST_NAME_SIZE];
uint32_t PortNumber = DEFAULT_PORT;

namespace {

XSession Session;

// Template order of the dialog's children.
enum { CHILD_OK = 0, CHILD_CANCEL = 1, CHILD_HOST = 2, CHILD_PORT = 3, CHILD_COUNT = 8 };

class DialogEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(startXSession(Session)) << "Xvfb did not start"; }
    void TearDown() override { stopXSession(Session); }
};

void pump() { pumpDialogs(); }

std::vector<Fl_Window*> openDialogs()
{
    std::vector<Fl_Window*> found;
    for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w))
        if (w->shown() && w->visible() && w->label() &&
            std::strcmp(w->label(), "Quorvish Telnet v0.2") == 0)
            found.push_back(w);
    return found;
}

size_t dialogCount() { return openDialogs().size(); }

int run(const std::vector<std::string>& argv) { return runPumping(argv, pump); }

// Lets everything the server has sent so far be handled.
void settle()
{
    XSync(fl_display, False);
    for (int i = 0; i < 100; ++i) {
        pump();
        usleep(1000);
    }
}

// Screen position of the centre of a dialog's child, or of (dx, dy) in it.
void childPoint(Fl_Window* dialog, int child, int& x, int& y, int dx = -1, int dy = -1)
{
    Fl_Widget* w = dialog->child(child);
    x = dialog->x_root() + w->x() + (dx < 0 ? w->w() / 2 : dx);
    y = dialog->y_root() + w->y() + (dy < 0 ? w->h() / 2 : dy);
}

void clickAt(int x, int y)
{
    ASSERT_EQ(0, run({"xdotool", "mousemove", "--sync", std::to_string(x), std::to_string(y),
                      "click", "1"}));
}

void clickChild(Fl_Window* dialog, int child)
{
    int x, y;
    childPoint(dialog, child, x, y);
    clickAt(x, y);
}

std::string windowId(Fl_Window* dialog) { return std::to_string(fl_xid(dialog)); }

void typeInto(Fl_Window* dialog, const std::string& text)
{
    ASSERT_EQ(0, run({"xdotool", "windowfocus", "--sync", windowId(dialog), "type", "--delay", "2", "--",
                      text}));
}

void keys(Fl_Window* dialog, const std::vector<std::string>& names)
{
    std::vector<std::string> argv = {"xdotool", "windowfocus", "--sync", windowId(dialog), "key"};
    argv.insert(argv.end(), names.begin(), names.end());
    ASSERT_EQ(0, run(argv));
}

Fl_Input* field(Fl_Window* dialog, int child) { return static_cast<Fl_Input*>(dialog->child(child)); }

// Clicks into a field, empties it and types text.
void replaceField(Fl_Window* dialog, int child, const std::string& text)
{
    clickChild(dialog, child);
    ASSERT_TRUE(pumpUntil([&] { return Fl::focus() == dialog->child(child); }, pump));
    keys(dialog, {"ctrl+a", "BackSpace"});
    ASSERT_TRUE(pumpUntil([&] { return field(dialog, child)->size() == 0; }, pump));
    if (!text.empty())
        typeInto(dialog, text);
}

// Waits for the typed text to have arrived in the field.
bool fieldReads(Fl_Window* dialog, int child, const std::string& text)
{
    return pumpUntil([&] { return text == field(dialog, child)->value(); }, pump);
}

Fl_Window* openOne()
{
    size_t before = dialogCount();
    if (!openConnectDialog())
        return nullptr;
    if (!pumpUntil([&] { return dialogCount() == before + 1; }, pump))
        return nullptr;
    // The newest shown window comes first in FLTK's list.
    return openDialogs().front();
}

void closeAll()
{
    for (Fl_Window* w : openDialogs())
        static_cast<Fl_Button*>(w->child(CHILD_CANCEL))->do_callback();
    pumpUntil([] { return dialogCount() == 0; }, pump);
}

class ConnectDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::strcpy(HostName, "before");
        PortNumber = 4242;
    }
    void TearDown() override { closeAll(); }
};

TEST_F(ConnectDialog, OpensWithTheTemplateTextsAndPortPreset)
{
    Fl_Window* d = openOne();
    ASSERT_NE(nullptr, d);
    ASSERT_EQ(CHILD_COUNT, d->children());
    EXPECT_STREQ("OK", d->child(CHILD_OK)->label());
    EXPECT_STREQ("Cancel", d->child(CHILD_CANCEL)->label());
    EXPECT_STREQ("", field(d, CHILD_HOST)->value());
    EXPECT_STREQ("23", field(d, CHILD_PORT)->value());
    const char* labels[] = {"Enter the hostname and port you wish", "to telnet to:", "Hostname:", "Port:"};
    for (int i = 0; i < 4; ++i)
        EXPECT_STREQ(labels[i], d->child(4 + i)->label());

    // Arrangement: prompt on top, the two labels over their fields ("Port:"
    // slightly higher than "Hostname:"), host field wide on the left, port
    // narrow on the right, buttons side by side at the bottom.
    Fl_Widget* ok = d->child(CHILD_OK);
    Fl_Widget* cancel = d->child(CHILD_CANCEL);
    Fl_Widget* host = d->child(CHILD_HOST);
    Fl_Widget* port = d->child(CHILD_PORT);
    EXPECT_LT(d->child(4)->y(), d->child(5)->y());
    EXPECT_LT(d->child(5)->y(), d->child(7)->y());
    EXPECT_LT(d->child(7)->y(), d->child(6)->y());
    EXPECT_LT(d->child(6)->y(), host->y());
    EXPECT_EQ(host->y(), port->y());
    EXPECT_GT(host->w(), 2 * port->w());
    EXPECT_LT(host->x() + host->w(), port->x());
    EXPECT_EQ(ok->y(), cancel->y());
    EXPECT_LT(ok->x() + ok->w(), cancel->x());
    EXPECT_GT(ok->y(), host->y() + host->h());
    EXPECT_LE(cancel->x() + cancel->w(), d->w());
    EXPECT_LE(ok->y() + ok->h(), d->h());
    // The prompt's first line fits inside the dialog.
    EXPECT_LE(d->child(4)->x() + d->child(4)->w(), d->w());

    // Centred on the screen (1280 x 1024).
    EXPECT_NEAR(640, d->x() + d->w() / 2, 2);
    EXPECT_NEAR(512, d->y() + d->h() / 2, 2);
}

TEST_F(ConnectDialog, OkStoresHostAndPort)
{
    struct Case {
        const char* host;
        const char* port;
        const char* storedHost;
        uint32_t storedPort;
    };
    const Case cases[] = {
        {"loopback.test", "8023", "loopback.test", 8023},
        {"abc", "80", "abc", 80},
        {"zero.port", "0", "zero.port", 0},
        {"empty.port", "", "empty.port", DEFAULT_PORT},
        {"", "23", "", 23},
        {"  spaced host  ", "00080", "  spaced host  ", 80},
        {"max", "4294967295", "max", 4294967295u},
        {"too.big", "4294967296", "too.big", DEFAULT_PORT},
        {"way.too.big", "99999999999999999999", "way.too.big", DEFAULT_PORT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        SetUp();
        Fl_Window* d = openOne();
        ASSERT_NE(nullptr, d);
        replaceField(d, CHILD_HOST, c.host);
        ASSERT_TRUE(fieldReads(d, CHILD_HOST, c.host));
        replaceField(d, CHILD_PORT, c.port);
        ASSERT_TRUE(fieldReads(d, CHILD_PORT, c.port));
        clickChild(d, CHILD_OK);
        ASSERT_TRUE(pumpUntil([] { return dialogCount() == 0; }, pump));
        EXPECT_STREQ(c.storedHost, HostName);
        EXPECT_EQ(c.storedPort, PortNumber);
    }
}

TEST_F(ConnectDialog, LongHostIsCutTo254Characters)
{
    Fl_Window* d = openOne();
    ASSERT_NE(nullptr, d);
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += static_cast<char>('a' + i % 26);
    replaceField(d, CHILD_HOST, text);
    ASSERT_TRUE(fieldReads(d, CHILD_HOST, text));
    clickChild(d, CHILD_OK);
    ASSERT_TRUE(pumpUntil([] { return dialogCount() == 0; }, pump));
    EXPECT_EQ(254u, std::strlen(HostName));
    EXPECT_EQ(text.substr(0, 254), std::string(HostName));
}

TEST_F(ConnectDialog, CancelStoresNothing)
{
    Fl_Window* d = openOne();
    ASSERT_NE(nullptr, d);
    replaceField(d, CHILD_HOST, "other.host");
    replaceField(d, CHILD_PORT, "99");
    ASSERT_TRUE(fieldReads(d, CHILD_PORT, "99"));
    clickChild(d, CHILD_CANCEL);
    ASSERT_TRUE(pumpUntil([] { return dialogCount() == 0; }, pump));
    EXPECT_STREQ("before", HostName);
    EXPECT_EQ(4242u, PortNumber);
}

TEST_F(ConnectDialog, PortFieldTakesDigitsOnly)
{
    Fl_Window* d = openOne();
    ASSERT_NE(nullptr, d);
    // Signs, hex prefixes, letters, spaces and dots are refused as typed.
    replaceField(d, CHILD_PORT, "-0x1f +7a.9");
    ASSERT_TRUE(fieldReads(d, CHILD_PORT, "0179"));
    // A paste keeps its digits only.
    Fl::copy("12ab-34 ", 8, 1);
    keys(d, {"ctrl+v"});
    ASSERT_TRUE(fieldReads(d, CHILD_PORT, "01791234"));
    // Editing keys still work.
    keys(d, {"BackSpace", "Home", "Delete"});
    ASSERT_TRUE(fieldReads(d, CHILD_PORT, "179123"));
    clickChild(d, CHILD_OK);
    ASSERT_TRUE(pumpUntil([] { return dialogCount() == 0; }, pump));
    EXPECT_EQ(179123u, PortNumber);
}

TEST_F(ConnectDialog, TabEnterAndEscapeHaveNoDialogMeaning)
{
    Fl_Window* d = openOne();
    ASSERT_NE(nullptr, d);
    // The focus starts on OK, the first control; Enter, Escape and Tab
    // there neither press it, close the dialog nor move the focus.
    EXPECT_EQ(d->child(CHILD_OK), Fl::focus());
    keys(d, {"Return", "Escape", "Tab", "Right", "Down"});
    settle();
    EXPECT_EQ(1u, dialogCount());
    EXPECT_EQ(d->child(CHILD_OK), Fl::focus());
    EXPECT_STREQ("before", HostName);

    replaceField(d, CHILD_HOST, "typed.host");
    ASSERT_TRUE(fieldReads(d, CHILD_HOST, "typed.host"));
    keys(d, {"Escape", "Return", "KP_Enter", "Tab", "ISO_Left_Tab", "Escape"});
    // Give the keys time to arrive, then look: still open, focus unmoved,
    // nothing stored.
    typeInto(d, "x");
    ASSERT_TRUE(fieldReads(d, CHILD_HOST, "typed.hostx"));
    EXPECT_EQ(1u, dialogCount());
    EXPECT_EQ(d->child(CHILD_HOST), Fl::focus());
    EXPECT_STREQ("before", HostName);

    // Nor in the port field.
    clickChild(d, CHILD_PORT);
    keys(d, {"Tab", "Return", "Escape"});
    typeInto(d, "5");
    ASSERT_TRUE(fieldReads(d, CHILD_PORT, "235"));
    EXPECT_EQ(1u, dialogCount());
    EXPECT_STREQ("before", HostName);
}

TEST_F(ConnectDialog, CloseRequestFromTheWindowSystemIsIgnored)
{
    Fl_Window* d = openOne();
    ASSERT_NE(nullptr, d);
    // What a window manager's close box sends.
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = fl_xid(d);
    event.xclient.message_type = XInternAtom(fl_display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(fl_display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(fl_display, fl_xid(d), False, NoEventMask, &event);
    settle();
    EXPECT_EQ(1u, dialogCount());
}

TEST_F(ConnectDialog, DraggedByItsBody)
{
    Fl_Window* d = openOne();
    ASSERT_NE(nullptr, d);
    int startX = d->x(), startY = d->y();
    // The gap between the two buttons is plain dialog surface; a label
    // passes presses through as well.
    int x = d->x_root() + (d->child(CHILD_OK)->x() + d->child(CHILD_OK)->w() + d->child(CHILD_CANCEL)->x()) / 2;
    int y = d->y_root() + d->child(CHILD_OK)->y() + d->child(CHILD_OK)->h() / 2;
    ASSERT_EQ(0, run({"xdotool", "mousemove", "--sync", std::to_string(x), std::to_string(y),
                      "mousedown", "1", "sleep", "0.2", "mousemove", "--sync", std::to_string(x - 150),
                      std::to_string(y - 100), "sleep", "0.2"}));
    // The dialog follows the pointer while the button is held.
    ASSERT_TRUE(pumpUntil([&] { return d->x() == startX - 150 && d->y() == startY - 100; }, pump))
        << d->x() << "," << d->y();
    ASSERT_EQ(0, run({"xdotool", "mousemove", "--sync", std::to_string(x - 300),
                      std::to_string(y - 200), "sleep", "0.2", "mouseup", "1"}));
    ASSERT_TRUE(pumpUntil([&] { return d->x() == startX - 300 && d->y() == startY - 200; }, pump))
        << d->x() << "," << d->y();

    int lx, ly;
    childPoint(d, 6, lx, ly, 2, 2);   // on the "Hostname:" label
    ASSERT_EQ(0, run({"xdotool", "mousemove", "--sync", std::to_string(lx), std::to_string(ly),
                      "mousedown", "1", "mousemove", "--sync", std::to_string(lx + 40),
                      std::to_string(ly + 30), "mouseup", "1"}));
    ASSERT_TRUE(pumpUntil([&] { return d->x() == startX - 260 && d->y() == startY - 170; }, pump))
        << d->x() << "," << d->y();

    // A press in a field selects text there instead of moving the dialog.
    int fx, fy;
    childPoint(d, CHILD_PORT, fx, fy);
    ASSERT_EQ(0, run({"xdotool", "mousemove", "--sync", std::to_string(fx), std::to_string(fy),
                      "mousedown", "1", "mousemove", "--sync", std::to_string(fx + 60),
                      std::to_string(fy + 60), "mouseup", "1"}));
    settle();
    EXPECT_EQ(startX - 260, d->x());
    EXPECT_EQ(startY - 170, d->y());
}

TEST_F(ConnectDialog, SeveralDialogsTheLastOkWins)
{
    Fl_Window* first = openOne();
    ASSERT_NE(nullptr, first);
    // Move the first aside so that both can be reached.
    first->position(100, 100);
    Fl_Window* second = openOne();
    ASSERT_NE(nullptr, second);
    ASSERT_NE(first, second);
    ASSERT_TRUE(pumpUntil([&] { return first->x() == 100; }, pump));

    // A fresh dialog starts empty with port 23, whatever the other holds.
    replaceField(first, CHILD_HOST, "first.host");
    replaceField(first, CHILD_PORT, "1111");
    ASSERT_TRUE(fieldReads(first, CHILD_PORT, "1111"));
    EXPECT_STREQ("", field(second, CHILD_HOST)->value());
    EXPECT_STREQ("23", field(second, CHILD_PORT)->value());
    replaceField(second, CHILD_HOST, "second.host");
    replaceField(second, CHILD_PORT, "2222");
    ASSERT_TRUE(fieldReads(second, CHILD_PORT, "2222"));

    clickChild(first, CHILD_OK);
    ASSERT_TRUE(pumpUntil([] { return dialogCount() == 1; }, pump));
    EXPECT_STREQ("first.host", HostName);
    EXPECT_EQ(1111u, PortNumber);
    clickChild(second, CHILD_OK);
    ASSERT_TRUE(pumpUntil([] { return dialogCount() == 0; }, pump));
    EXPECT_STREQ("second.host", HostName);
    EXPECT_EQ(2222u, PortNumber);

    // Reopened after an OK: empty host, port 23 again.
    Fl_Window* again = openOne();
    ASSERT_NE(nullptr, again);
    EXPECT_STREQ("", field(again, CHILD_HOST)->value());
    EXPECT_STREQ("23", field(again, CHILD_PORT)->value());
}

}  // namespace

// The font libraries under FLTK keep caches for the life of the process;
// they are not the dialog's to free.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:libXft.so\n";
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new DialogEnvironment);
    return RUN_ALL_TESTS();
}
