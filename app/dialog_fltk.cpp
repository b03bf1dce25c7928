// The modeless connect dialog on Linux, as an FLTK window laid out in the
// dialog units of its own font: the two-line prompt, "Hostname:" over the
// host field, "Port:" over the digits-only port field, then OK and Cancel.
// It closes only through OK or Cancel, is dragged by its body, and gives
// Tab, Enter and Escape no dialog meaning. Each dialog's widgets are made
// when it opens and deleted when it closes; nothing keeps a reference to an
// open dialog, and any number may be open at once.
#include "app/dialog.h"
#include "resources/resource.h"

#include <cstdio>
#include <cstring>

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include "terminal/charset.h"
#include "app/toolkit_fltk.h"
#include "net/connection.h"

namespace {

enum {
    FONT_SIZE = 12,
    HOST_COPY_LIMIT = 255,                    // bytes including the NUL
    PASTE_CHUNK = 64,
};

// The layout of resource.h, which the Windows dialog template is built from:
// x, y, width and height in dialog units.
struct Box {
    int x, y, w, h;
};
const Box DialogBox = {CONNECT_DIALOG_BOX};
const Box OkBox = {CONNECT_OK_BOX}, CancelBox = {CONNECT_CANCEL_BOX};
const Box HostBox = {CONNECT_HOST_BOX}, PortBox = {CONNECT_PORT_BOX};
const struct {
    Box box;
    const char* text;
} Labels[] = {
    {{CONNECT_PROMPT_FIRST_BOX}, CONNECT_PROMPT_FIRST},
    {{CONNECT_PROMPT_SECOND_BOX}, CONNECT_PROMPT_SECOND},
    {{CONNECT_HOST_LABEL_BOX}, CONNECT_HOST_LABEL},
    {{CONNECT_PORT_LABEL_BOX}, CONNECT_PORT_LABEL},
};

// Pixels per horizontal and vertical dialog unit, measured on the font.
double UnitX = 1.5, UnitY = 1.75;

// The OK button has the default-button look, a dark outer frame, but no
// Enter shortcut: Enter has no dialog meaning here.
struct DefaultButton : Fl_Button {
    DefaultButton(int x, int y, int w, int h, const char* label) : Fl_Button(x, y, w, h, label) {}
    void draw() override
    {
        Fl_Button::draw();
        fl_color(FL_FOREGROUND_COLOR);
        fl_rect(x(), y(), w(), h());
    }
};

// An edit field that takes decimal digits only, typed or pasted. Editing
// keys and Ctrl combinations (copy, paste, undo) keep their meaning.
struct DigitsInput : Fl_Input {
    DigitsInput(int x, int y, int w, int h) : Fl_Input(x, y, w, h) {}
    int handle(int event) override
    {
        if (event == FL_KEYBOARD) {
            const char* text = Fl::event_text();
            bool command = (Fl::event_state() & (FL_CTRL | FL_ALT | FL_META)) != 0;
            if (!command && Fl::event_length() > 0 &&
                static_cast<unsigned char>(text[0]) >= 32 &&
                static_cast<unsigned char>(text[0]) != 127 &&
                !(text[0] >= '0' && text[0] <= '9'))
                return 1;   // swallowed: not a digit
        } else if (event == FL_PASTE) {
            insertDigits(Fl::event_text(), Fl::event_length());
            return 1;
        }
        return Fl_Input::handle(event);
    }

    void insertDigits(const char* text, int length)
    {
        if (readonly())
            return;
        char chunk[PASTE_CHUNK];
        int used = 0;
        for (int i = 0; i < length && text[i] != '\0'; ++i) {
            if (text[i] < '0' || text[i] > '9')
                continue;
            chunk[used++] = text[i];
            if (used == PASTE_CHUNK) {
                replace(position(), mark(), chunk, used);
                used = 0;
            }
        }
        if (used > 0)
            replace(position(), mark(), chunk, used);
    }
};

// The dialog window: a press on its surface, outside the fields and
// buttons, drags it; navigation keys are swallowed.
struct ConnectWindow : Fl_Double_Window {
    Fl_Input* host = nullptr;
    Fl_Input* port = nullptr;
    int grabX = 0, grabY = 0;
    bool dragging = false;

    ConnectWindow(int w, int h, const char* title) : Fl_Double_Window(w, h, title) {}

    int handle(int event) override
    {
        switch (event) {
        case FL_KEYBOARD:
        case FL_SHORTCUT:
            // Reaches the window only when the focused widget has not used
            // the key. Tab, arrows, Enter and Escape would otherwise move the
            // focus, press a button or close the window.
            switch (Fl::event_key()) {
            case FL_Tab: case FL_Enter: case FL_KP_Enter: case FL_Escape:
            case FL_Left: case FL_Right: case FL_Up: case FL_Down:
                return 1;
            default:
                break;
            }
            return Fl_Double_Window::handle(event);
        case FL_PUSH:
            if (Fl_Double_Window::handle(event))
                return 1;
            if (Fl::event_button() != FL_LEFT_MOUSE)
                return 0;
            grabX = Fl::event_x_root() - x();
            grabY = Fl::event_y_root() - y();
            dragging = true;
            return 1;
        case FL_DRAG:
            if (dragging) {
                position(Fl::event_x_root() - grabX, Fl::event_y_root() - grabY);
                return 1;
            }
            return Fl_Double_Window::handle(event);
        case FL_RELEASE:
            if (dragging) {
                // Motion is delivered in batches; the release point is where
                // the drag ends even if no motion has been seen since.
                position(Fl::event_x_root() - grabX, Fl::event_y_root() - grabY);
                dragging = false;
                return 1;
            }
            return Fl_Double_Window::handle(event);
        default:
            return Fl_Double_Window::handle(event);
        }
    }
};

int unitsX(int units) { return static_cast<int>(units * UnitX + 0.5); }
int unitsY(int units) { return static_cast<int>(units * UnitY + 0.5); }

// Dialog units from the font, as the platform dialogs compute them: a
// horizontal unit is a quarter of the average character width, a vertical
// unit an eighth of the line height. The prompt must fit its 120 units.
void measureUnits()
{
    fl_font(FL_HELVETICA, FONT_SIZE);
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    double average = fl_width(alphabet) / 52.0;
    UnitX = average / 4.0;
    double promptUnits = (fl_width(Labels[0].text) + 8.0) / Labels[0].box.w;
    if (promptUnits > UnitX)
        UnitX = promptUnits;
    UnitY = fl_height() / 8.0;
}

// Stores the port field as an unsigned decimal number, or the default port
// when it holds none or one beyond 32 bits.
uint32_t portFromText(const char* text)
{
    while (*text == ' ')
        ++text;
    if (*text < '0' || *text > '9')
        return DEFAULT_PORT;
    uint64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + static_cast<uint64_t>(*text - '0');
        if (value > 0xFFFFFFFFu)
            return DEFAULT_PORT;
    }
    return static_cast<uint32_t>(value);
}

void closeDialog(ConnectWindow* window)
{
    window->hide();
    Fl::delete_widget(window);
}

void onOk(Fl_Widget*, void* data)
{
    ConnectWindow* window = static_cast<ConnectWindow*>(data);
    // Typed text is UTF-8; HostName holds one Windows-1252 byte per
    // character, at most 254 of them, like the text the Windows dialog
    // hands over.
    utf8ToCp1252(window->host->value(), HostName, HOST_COPY_LIMIT);
    PortNumber = portFromText(window->port->value());
    closeDialog(window);
}

void onCancel(Fl_Widget*, void* data)
{
    closeDialog(static_cast<ConnectWindow*>(data));
}

// The close box and Escape call the window's callback: they do nothing.
void onWindowClose(Fl_Widget*, void*) {}

// A widget's place, in pixels, from its box in dialog units.
template <typename Widget, typename... Rest>
Widget* place(const Box& b, Rest... rest)
{
    return new Widget(unitsX(b.x), unitsY(b.y), unitsX(b.w), unitsY(b.h), rest...);
}

}  // namespace

bool ToolkitStarted = false;

bool startToolkit()
{
    if (fl_display == nullptr) {
        // FLTK ends the process when it cannot reach the display; find out first.
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr)
            return false;
        fl_open_display(display);
    }
    // The dialogs and message boxes belong with the program's main window
    // (taskbars group windows by their class).
    Fl_Window::default_xclass("quorvish-telnet");
    ToolkitStarted = true;
    return true;
}

bool openConnectDialog()
{
    if (!startToolkit())
        return false;
    measureUnits();

    ConnectWindow* window = new ConnectWindow(unitsX(DialogBox.w), unitsY(DialogBox.h), CONNECT_TITLE);
    window->callback(onWindowClose);

    // Template order, which is also the order the focus starts in.
    Fl_Button* ok = place<DefaultButton>(OkBox, "OK");
    ok->labelsize(FONT_SIZE);
    ok->callback(onOk, window);
    Fl_Button* cancel = place<Fl_Button>(CancelBox, "Cancel");
    cancel->labelsize(FONT_SIZE);
    cancel->callback(onCancel, window);

    window->host = place<Fl_Input>(HostBox);
    window->host->textsize(FONT_SIZE);
    window->port = place<DigitsInput>(PortBox);
    window->port->textsize(FONT_SIZE);
    char port[8];
    std::snprintf(port, sizeof port, "%d", static_cast<int>(DEFAULT_PORT));
    window->port->value(port);

    for (const auto& l : Labels) {
        Fl_Box* label = place<Fl_Box>(l.box, l.text);
        label->box(FL_NO_BOX);
        label->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE);
        label->labelsize(FONT_SIZE);
    }
    window->end();

    // Centred on the work area of the screen.
    int areaX, areaY, areaW, areaH;
    Fl::screen_work_area(areaX, areaY, areaW, areaH, 0);
    window->position(areaX + (areaW - window->w()) / 2, areaY + (areaH - window->h()) / 2);
    window->show();
    ok->take_focus();
    return true;
}

void pumpDialogs()
{
    if (ToolkitStarted)
        Fl::check();
}
