// The Linux connect dialog on a private X server (tests/gui/xsession.py),
// pumped by pumpDialogs and given clicks and keys through FLTK's own event
// dispatch, as they come from the server.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>

#include <cstring>
#include <string>

#include "app/dialog.h"
#include "net/connection.h"
#include "resources/resource.h"

// The connection's two values the dialog writes.
char HostName[HOST_NAME_SIZE];
uint32_t PortNumber = DEFAULT_PORT;

namespace {

enum { OK, CANCEL, HOST, PORT };   // the dialog's first children, in template order

int openDialogs()
{
    pumpDialogs();
    int count = 0;
    for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w)) count += w->visible() ? 1 : 0;
    return count;
}

const char* text(Fl_Window* d, int child) { return static_cast<Fl_Input*>(d->child(child))->value(); }

// A left click on the middle of a child.
void click(Fl_Window* d, int child)
{
    const Fl_Widget* w = d->child(child);
    Fl::e_x = w->x() + w->w() / 2;
    Fl::e_y = w->y() + w->h() / 2;
    Fl::e_x_root = d->x_root() + Fl::e_x;
    Fl::e_y_root = d->y_root() + Fl::e_y;
    Fl::e_keysym = FL_Button + FL_LEFT_MOUSE;
    Fl::e_state = 0;
    Fl::handle(FL_PUSH, d);
    Fl::handle(FL_RELEASE, d);
}

// A key press: its key symbol, the text it types, the modifiers held.
void key(Fl_Window* d, int keysym, const char* typed, int state = 0)
{
    Fl::e_keysym = Fl::e_original_keysym = keysym;
    Fl::e_text = const_cast<char*>(typed);
    Fl::e_length = static_cast<int>(std::strlen(typed));
    Fl::e_state = state;
    Fl::handle(FL_KEYBOARD, d);
}

// Types UTF-8 text one character per key press.
void type(Fl_Window* d, const std::string& text)
{
    for (size_t at = 0, length; at < text.size(); at += length) {
        for (length = 1; (text[at + length] & 0xC0) == 0x80; ++length) {}
        key(d, static_cast<unsigned char>(text[at]), text.substr(at, length).c_str());
    }
}

Fl_Window* open()
{
    const int before = openDialogs();
    EXPECT_TRUE(openConnectDialog());
    EXPECT_EQ(openDialogs(), before + 1);
    Fl_Window* d = Fl::first_window();   // FLTK lists the newest window first
    EXPECT_STREQ(d->label(), "Quorvish Telnet v" QUORVISH_VERSION);
    EXPECT_TRUE(*text(d, HOST) == '\0' && std::string("23") == text(d, PORT)) << "opens empty with the telnet port";
    return d;
}

TEST(ConnectDialog, OkStoresTheHostInWindows1252AndThePortDigitsOnly)
{
    const std::string longHost(300, 'h');
    // The host typed; the port field emptied (Ctrl+A, BackSpace) or not, typed into and pasted into.
    const struct { std::string host; bool empty; const char *typed, *pasted; std::string storedHost; uint32_t storedPort; } cases[] = {
        {"h\u20acst \u201cq\u201d \u00e9\u0100", false, "", "", "h\x80st \x93q\x94 \xe9?", 23},   // '?': not in the code page
        {"abc", true, "-0x1f +7a.9", "12ab-34 ", "abc", 1791234},   // signs, letters, spaces and dots refused
        {"", true, "", "", "", 23},                                 // an empty port field stores the telnet port
        {"zero.port", true, "0", "", "zero.port", 0},
        {"too.big", true, "4294967296", "", "too.big", 23},
        {longHost, true, "4294967295", "", longHost.substr(0, 254), 4294967295u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host.substr(0, 20) + " : " + c.typed);
        Fl_Window* d = open();
        click(d, HOST);
        type(d, c.host);
        click(d, PORT);
        if (c.empty) {
            key(d, 'a', "\x01", FL_CTRL);
            key(d, FL_BackSpace, "\b");
        }
        type(d, c.typed);
        Fl::copy(c.pasted, static_cast<int>(std::strlen(c.pasted)), 1);
        key(d, 'v', "\x16", FL_CTRL);   // a paste keeps its digits
        click(d, OK);
        EXPECT_EQ(openDialogs(), 0);
        EXPECT_EQ(HostName, c.storedHost);
        EXPECT_EQ(PortNumber, c.storedPort);
    }
}

TEST(ConnectDialog, OnlyOkAndCancelCloseItAndEachDialogStoresItsOwn)
{
    std::strcpy(HostName, "before");
    PortNumber = 4242;
    Fl_Window* first = open();
    Fl_Window* second = open();
    click(first, HOST);
    type(first, "first.host");
    const struct { int keysym; const char* typed; int state; } keys[] = {
        {FL_Escape, "\x1B", 0}, {FL_Enter, "\r", 0}, {FL_KP_Enter, "\r", 0}, {FL_Tab, "\t", 0}, {FL_Tab, "\t", FL_SHIFT},
    };
    for (const auto& k : keys) key(first, k.keysym, k.typed, k.state);
    Fl::handle(FL_CLOSE, first);   // what a window manager's close box sends
    type(first, "x");   // after all that, still typed into the same field
    EXPECT_EQ(openDialogs(), 2);
    EXPECT_STREQ(text(first, HOST), "first.hostx");
    click(first, CANCEL);
    EXPECT_TRUE(openDialogs() == 1 && std::string("before") == HostName && PortNumber == 4242) << "Cancel stores nothing";
    click(second, HOST);
    type(second, "second.host");
    click(second, OK);
    EXPECT_TRUE(openDialogs() == 0 && std::string("second.host") == HostName && PortNumber == 23);
}

}  // namespace
