// Message boxes, the quit request and the bell on Windows.
#include <windows.h>
#include <mmsystem.h>

#include "app/platform.h"

void showMessageBox(const char* text, const char* caption, int icon)
{
    UINT style = MB_OK | (icon == MESSAGE_INFORMATION ? MB_ICONINFORMATION : MB_ICONERROR);
    MessageBoxA(nullptr, text, caption, style);
}

void requestQuit(int exitCode)
{
    PostQuitMessage(exitCode);
}

void playBell()
{
    PlaySoundA("default", nullptr, SND_ASYNC);
}
