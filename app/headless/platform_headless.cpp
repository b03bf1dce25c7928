// The headless front end's platform: message boxes go to stderr, the quit
// request sets a flag the loop looks at. The bell stays silent (the
// interpreter counts it).
#include "app/platform.h"
#include "app/headless/headless.h"

#include <cstdio>

bool HeadlessQuitRequested = false;

void showMessageBox(const char* text, const char* caption, int)
{
    fprintf(stderr, "%s: %s\n", caption, text);
}

void requestQuit(int)
{
    HeadlessQuitRequested = true;
}

