// The Linux connect dialog and message boxes on a private X server
// (tests/gui/xsession.py), pumped by pumpDialogs and the boxes' own loop;
// keys reach them through FLTK's own event dispatch.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>

#include <cstring>
#include <string>

#include "app/dialog.h"
#include "app/platform.h"
#include "app/window.h"
#include "net/connection.h"
#include "resources/resource.h"

char HostName[HOST_NAME_SIZE];
uint32_t PortNumber = DEFAULT_PORT;

enum { OK, CANCEL, HOST, PORT };   // the dialog's first children, in template order

static Fl_Input* field(Fl_Window* d, int child) { return static_cast<Fl_Input*>(d->child(child)); }

// A key press: its key symbol, the text it types, the modifiers held.
static void key(Fl_Window* d, int keysym, const char* typed, int state = 0)
{
    Fl::e_keysym = Fl::e_original_keysym = keysym;
    Fl::e_text = const_cast<char*>(typed);
    Fl::e_length = static_cast<int>(std::strlen(typed));
    Fl::e_state = state;
    Fl::handle(FL_KEYBOARD, d);
}

// Focuses a field and types UTF-8 text into it, one character per key press.
static void type(Fl_Window* d, int child, const std::string& text)
{
    d->child(child)->take_focus();
    for (size_t at = 0, length; at < text.size(); at += length) {
        for (length = 1; (text[at + length] & 0xC0) == 0x80; ++length) {}
        key(d, static_cast<unsigned char>(text[at]), text.substr(at, length).c_str());
    }
}

static Fl_Window* open()
{
    EXPECT_TRUE(openConnectDialog());
    pumpDialogs();
    Fl_Window* d = Fl::first_window();   // the newest
    EXPECT_TRUE(std::string(d->label()) == "Quorvish Telnet v" QUORVISH_VERSION && !*field(d, HOST)->value() &&
                std::string("23") == field(d, PORT)->value()) << "opens empty with the telnet port";
    return d;
}

TEST(ConnectDialog, OkStoresTheHostInWindows1252AndThePortDigitsOnly)
{
    // The host typed; the port field emptied or not, typed into and pasted into (Ctrl+V).
    const struct { std::string host; bool empty; const char *typed, *pasted; std::string storedHost; uint32_t storedPort; } cases[] = {
        {"h\u20acst \u201cq\u201d \u00e9\u0100", false, "", "", "h\x80st \x93q\x94 \xe9?", 23},   // '?': not in the code page
        {"abc", true, "-0x1f +7a.9", "12ab-34 ", "abc", 1791234},   // signs, letters, spaces and dots refused
        {"", true, "", "", "", 23},                                 // an empty port field stores the telnet port
        {std::string(300, 'h'), true, "4294967295", "", std::string(254, 'h'), 4294967295u},
    };
    for (const auto& c : cases) {
        Fl_Window* d = open();
        type(d, HOST, c.host);
        if (c.empty) field(d, PORT)->value("");
        type(d, PORT, c.typed);
        Fl::copy(c.pasted, static_cast<int>(std::strlen(c.pasted)), 1);
        key(d, 'v', "\x16", FL_CTRL);
        d->child(OK)->do_callback();
        EXPECT_TRUE(!d->shown() && HostName == c.storedHost && PortNumber == c.storedPort)
            << c.host.substr(0, 20) << " : " << c.typed << " stored as " << HostName << " : " << PortNumber;
    }
}

TEST(ConnectDialog, OnlyOkAndCancelCloseIt)
{
    std::strcpy(HostName, "before");
    Fl_Window* d = open();
    type(d, HOST, "typed");
    for (int k : {FL_Escape, FL_Enter, FL_KP_Enter, FL_Tab}) key(d, k, "");
    Fl::handle(FL_CLOSE, d);   // what a window manager's close box sends
    key(d, 'x', "x");          // after all that, still typed into the same field
    EXPECT_TRUE(d->shown() && std::string(field(d, HOST)->value()) == "typedx");
    d->child(CANCEL)->do_callback();
    EXPECT_TRUE(!d->shown() && std::string("before") == HostName) << "Cancel stores nothing";
}

// What a box's loop pumps besides FLTK. The first pump opens a second box, as
// a click in the start menu can while a box is shown; the second, from the
// second box's loop, reads both boxes and closes them.
static std::string BoxesSeen;
bool pumpMessages()
{
    static int pumps = 0;
    if (++pumps == 1) {
        showMessageBox("Second text", "Two", MESSAGE_INFORMATION);
    } else {
        for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w))
            BoxesSeen += std::string(w->label()) + ": " + w->child(1)->label() + "; ";
        while (Fl::first_window()) Fl::first_window()->hide();
    }
    return true;
}
void takeSocketEvents() {}
void requestQuit(int) {}

TEST(MessageBox, EachBoxKeepsItsOwnTextWhileAnotherIsShown)
{
    showMessageBox("First text", "One", MESSAGE_ERROR);
    EXPECT_EQ(BoxesSeen, "Two: Second text; One: First text; ");
}

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }   // FLTK's font cache
