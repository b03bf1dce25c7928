// What the window tests need around the program under test: a private X
// server, the program in its own process group with its standard error
// kept, a watch over the server's top-level windows, and a loopback host.
#pragma once
#include <X11/Xlib.h>
#include <sys/types.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
    bool mapped = false;
};

struct Session {
    pid_t server = -1;
    pid_t program = -1, group = -1;   // the program leads a process group of its own
    int exitCode = -2;                // once ended: its code, or -1 for a signal
    std::string errorPath;            // its standard error
    Display* display = nullptr;
    std::map<Window, Geometry> created;   // every top-level created since the start, as created
};

// Starts Xvfb (1280x1024x24 plus serverArgs) on a display it picks itself,
// sets DISPLAY, begins the watch and starts argv, which reports its first
// frame on standard error. False when a step fails.
bool startSession(Session& s, const std::vector<std::string>& serverArgs, const std::vector<std::string>& argv);
// Ends whatever of the program's process group still runs, then the server.
void stopSession(Session& s);
bool programEnded(Session& s);   // sets exitCode once it has
std::string programErrors(const Session& s);

// Polls done, taking in window events between polls, until it holds or the
// seconds pass; returns its last value.
bool waitUntil(Session& s, const std::function<bool()>& done, double seconds);
Window findWindow(Session& s, const std::string& title);   // by its UTF-8 title; 0 when none
bool windowGeometry(Session& s, Window window, Geometry* out);
void sendCloseRequest(Session& s, Window window);   // what the close button sends
bool xdotool(const std::string& arguments);   // a shell word list; true on success
// With QUORVISH_SHOT_DIR set, a picture of the screen there as NAME.png.
void takeScreenshot(const std::string& name);

// Stands in for the host on 127.0.0.1 at a port the system picks: takes
// the program's connection and collects what it sends.
struct Listener {
    int socket = -1, connection = -1, port = 0;
    std::string received;
    bool open();
    void poll();   // accepts a waiting connection, then reads what has arrived
    ~Listener();
};

// Screen positions of the start menu's host-address label and connect
// button, and the host field, port field and OK button as fractions of the
// connect dialog's window.
struct MenuSpots {
    int hostAddress[2], connect[2];
    double hostField[2], portField[2], okButton[2];
};
// Opens the connect dialog, enters 127.0.0.1 and port, presses OK, then the
// connect button. Returns the step that failed, or null.
const char* connectThroughMenu(Session& s, const MenuSpots& spots, const std::string& dialogTitle, int port);
