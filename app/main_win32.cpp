// The Windows program's entry: the main window, then the main loop until
// the quit message. The command line and the show command are not read.
#include <windows.h>

#include "app/main_loop.h"
#include "app/window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (!openMainWindow()) return 0;
    const int result = runMainLoop();
    closeMainWindow();
    return result;
}
