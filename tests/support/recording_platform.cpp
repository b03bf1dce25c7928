#include "tests/support/recording_platform.h"
#include "app/platform.h"

void resetRecordedPlatform()
{
    RecordedBoxes.clear();
    RecordedQuits = 0;
    RecordedQuitCode = -1;
}

void showMessageBox(const char* text, const char* caption, int icon) { RecordedBoxes.push_back({text, caption, icon}); }

void requestQuit(int exitCode)
{
    RecordedQuits += 1;
    RecordedQuitCode = exitCode;
}
