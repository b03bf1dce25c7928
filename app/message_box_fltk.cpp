// Message boxes of the Linux program, as FLTK windows. Like a Windows
// message box with no owner, a box waits for its OK while everything else
// goes on being handled: open connect dialogs take their input, clicks in
// the start menu are picked, the socket's events arrive. Only frames wait.
// A quit request met while the box is open ends the box and is kept for
// the main loop.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <cstdio>

#include "terminal/charset.h"
#include "app/platform.h"
#include "app/toolkit_fltk.h"
#include "app/window.h"
#include "net/connection.h"

namespace {

enum {
    MESSAGE_TEXT_SIZE = 3 * 1024,
    FONT_SIZE = 12,
    MARGIN = 12, ICON_SIZE = 32, BUTTON_WIDTH = 75, BUTTON_HEIGHT = 23,
    MIN_TEXT_WIDTH = 120, MAX_TEXT_WIDTH = 480,
};
const double PUMP_SECONDS = 0.01;

// Where a box's texts are converted; each box keeps copies of its own, so
// that a box opened while another is shown does not change the other's.
char MessageText[MESSAGE_TEXT_SIZE];
char MessageCaption[MESSAGE_TEXT_SIZE];

// The round icon of the box: white "X" on red for errors, "i" on blue
// for information.
struct IconBox : Fl_Box {
    bool error;
    IconBox(int x, int y, int size, bool isError) : Fl_Box(x, y, size, size), error(isError) {}
    void draw() override
    {
        fl_color(error ? fl_rgb_color(200, 30, 30) : fl_rgb_color(40, 90, 200));
        fl_pie(x(), y(), w(), h(), 0.0, 360.0);
        fl_color(FL_WHITE);
        fl_font(FL_HELVETICA_BOLD, h() * 2 / 3);
        fl_draw(error ? "X" : "i", x(), y(), w(), h(), FL_ALIGN_CENTER);
    }
};

void closeBox(Fl_Widget*, void* window)
{
    static_cast<Fl_Window*>(window)->hide();
}

Fl_Window* makeBox(const char* text, const char* caption, bool error)
{
    fl_font(FL_HELVETICA, FONT_SIZE);
    int textWidth = MAX_TEXT_WIDTH, textHeight = 0;
    fl_measure(text, textWidth, textHeight, 0);
    if (textWidth < MIN_TEXT_WIDTH) textWidth = MIN_TEXT_WIDTH;
    if (textHeight < ICON_SIZE) textHeight = ICON_SIZE;
    const int width = MARGIN + ICON_SIZE + MARGIN + textWidth + MARGIN;
    const int height = MARGIN + textHeight + MARGIN + BUTTON_HEIGHT + MARGIN;

    Fl_Window* window = new Fl_Window(width, height);
    window->copy_label(caption);
    new IconBox(MARGIN, MARGIN, ICON_SIZE, error);
    Fl_Box* label = new Fl_Box(2 * MARGIN + ICON_SIZE, MARGIN, textWidth, textHeight);
    label->copy_label(text);
    label->labelsize(FONT_SIZE);
    label->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
    Fl_Return_Button* ok = new Fl_Return_Button((width - BUTTON_WIDTH) / 2, height - MARGIN - BUTTON_HEIGHT,
                                                BUTTON_WIDTH, BUTTON_HEIGHT, "OK");
    ok->labelsize(FONT_SIZE);
    ok->callback(closeBox, window);
    window->callback(closeBox, window);   // the close box and Escape: OK
    window->end();
    int areaX, areaY, areaW, areaH;
    Fl::screen_work_area(areaX, areaY, areaW, areaH, 0);
    window->position(areaX + (areaW - width) / 2, areaY + (areaH - height) / 2);
    return window;
}

}  // namespace

void showMessageBox(const char* text, const char* caption, int icon)
{
    // The program's texts are Windows-1252; FLTK wants UTF-8.
    cp1252ToUtf8(text, MessageText, MESSAGE_TEXT_SIZE);
    cp1252ToUtf8(caption, MessageCaption, MESSAGE_TEXT_SIZE);
    // Where no box can be shown (no display), the text still reaches the user.
    if (!startToolkit()) {
        std::fprintf(stderr, "%s: %s\n", MessageCaption, MessageText);
        return;
    }
    Fl_Window* box = makeBox(MessageText, MessageCaption, icon != MESSAGE_INFORMATION);
    box->show();
    bool quit = false;
    while (box->shown()) {
        Fl::wait(PUMP_SECONDS);
        takeSocketEvents();
        if (!pumpMessages()) {
            quit = true;
            box->hide();
        }
    }
    Fl::delete_widget(box);
    Fl::check();
    if (quit) requestQuit(0);
}
