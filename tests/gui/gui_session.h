// What the window tests need around the program under test: a private X
// server, the program started in its own process group with its standard
// error kept, and a watch over the top-level windows of the server
// (creation sizes, titles, geometry, close requests).
#pragma once
#include <X11/Xlib.h>
#include <sys/types.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

struct XServer {
    pid_t pid = -1;
    int display = -1;
};

// Starts Xvfb with a 1280x1024x24 screen plus `extraArgs` on a display the
// server picks itself; sets DISPLAY. False when it does not come up.
bool startXServer(XServer& server, const std::vector<std::string>& extraArgs = {});
void stopXServer(XServer& server);

struct Program {
    pid_t pid = -1;          // also the process group of everything it starts
    std::string errorPath;   // its standard error
    int exitCode = -2;       // once ended: the code, or -1 for a signal
};

// Runs argv with `env` (NAME=VALUE) added to the environment.
bool startProgram(Program& program, const std::vector<std::string>& argv,
                  const std::vector<std::string>& env = {});
// True once the program has ended (exitCode is then set).
bool programEnded(Program& program);
// Ends the program's whole process group if it still runs, and reaps it.
void stopProgram(Program& program);
std::string programErrors(const Program& program);

struct TopLevel {
    int createdX = 0, createdY = 0, createdWidth = 0, createdHeight = 0;
    std::string title;   // the last UTF-8 title seen, kept after the window is gone
};

struct WindowWatch {
    Display* display = nullptr;
    std::map<Window, TopLevel> windows;   // every top-level created since the watch began
};

bool openWatch(WindowWatch& watch);
void closeWatch(WindowWatch& watch);
// Takes in the creation and title events that have arrived.
void pollWatch(WindowWatch& watch);
// The title as UTF-8 (_NET_WM_NAME) and as the ICCCM Latin-1 name (WM_NAME).
std::string windowTitleUtf8(WindowWatch& watch, Window window);
std::string windowNameLatin1(WindowWatch& watch, Window window);
// A top-level window created since the watch began whose UTF-8 title is
// `title`; 0 when none.
Window findWindow(WindowWatch& watch, const std::string& title);
// How many windows have had this title, including those gone since.
int countWindows(WindowWatch& watch, const std::string& title);
struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
    bool mapped = false;
};
bool windowGeometry(WindowWatch& watch, Window window, Geometry* out);
// What a window manager sends when the close button is pressed.
void sendCloseRequest(WindowWatch& watch, Window window);

// Polls `done` (taking in window events between polls) until it holds or
// timeoutSeconds pass; returns its last value.
bool waitUntil(WindowWatch& watch, const std::function<bool()>& done, double timeoutSeconds);

// Runs xdotool with these arguments (a shell word list) on the current
// display; true when it succeeded.
bool xdotool(const std::string& arguments);

// Binds these keysyms to keycodes from 248 up before the program starts,
// so that typing them needs no remapping on the fly (clients can read a
// key press before they have seen a new mapping, and the character is
// lost). Needs the server's keyboard map to persist (-noreset and a
// connection kept open, as the watch does).
bool mapSpareKeysyms(const std::vector<KeySym>& keysyms);

// A listener on 127.0.0.1 at a port the system picks, standing in for the
// host: takes the program's connection and collects what it sends.
struct Listener {
    int socket = -1;
    int connection = -1;
    int port = 0;
    std::string received;

    bool open();
    // Accepts when a connection waits, then reads what has arrived.
    void poll();
    ~Listener();
};

std::string hexBytes(const std::string& bytes);

// Where the start menu and the connect dialog take their clicks: screen
// positions of the host-address label and the connect button for a
// 1280 x 1024 desktop, and the host field, port field and OK button as
// fractions of the dialog's window.
struct MenuSpots {
    int hostAddress[2];
    int connect[2];
    double hostField[2];
    double portField[2];
    double okButton[2];
};

// Opens the connect dialog, types 127.0.0.1 and `port`, presses OK and
// then the connect button. False (with the step in *failedStep) when a
// step could not be done.
bool connectThroughMenu(WindowWatch& watch, const MenuSpots& spots, const std::string& dialogTitle,
                        int port, std::string* failedStep);

// With QUORVISH_SHOT_DIR set, a picture of the whole screen there as
// NAME.png (for looking at; the tests do not read it).
void takeScreenshot(const std::string& name);
