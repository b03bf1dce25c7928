// A private X server for GUI tests and a way to run helper programs
// (xdotool) while the test keeps its own windows responsive.
#pragma once
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

struct XSession {
    pid_t serverPid = -1;
    int display = -1;
};

// Starts Xvfb on a free display chosen by the server itself and points
// DISPLAY at it. Returns false when the server does not come up.
bool startXSession(XSession& session, const char* screen = "1280x1024x24");
// Stops the server by its process id and waits for it.
void stopXSession(XSession& session);

// Runs a program to completion, calling pump between polls of its exit
// status. Returns its exit code, or -1 when it could not run or did not end
// within timeoutSeconds (it is killed then).
int runPumping(const std::vector<std::string>& argv, const std::function<void()>& pump,
               double timeoutSeconds = 30.0);

// Calls pump until done() holds or timeoutSeconds pass; returns done().
bool pumpUntil(const std::function<bool()>& done, const std::function<void()>& pump,
               double timeoutSeconds = 10.0);
