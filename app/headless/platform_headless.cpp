// The headless front end's platform: message boxes go to stderr, the quit
// request sets a flag the loop looks at, the bell is counted.
#include "app/platform.h"
#include "app/headless/headless.h"

#include <cstdio>

bool HeadlessQuitRequested = false;
int HeadlessBellCount = 0;

void showMessageBox(const char* text, const char* caption, int)
{
    fprintf(stderr, "%s: %s\n", caption, text);
}

void requestQuit(int)
{
    HeadlessQuitRequested = true;
}

void playBell()
{
    HeadlessBellCount += 1;
}
