#include "tests/support/recording_platform.h"
#include "app/platform.h"

std::vector<RecordedBox> RecordedBoxes;
int RecordedQuits = 0;
int RecordedQuitCode = -1;
int RecordedBells = 0;

void resetRecordedPlatform()
{
    RecordedBoxes.clear();
    RecordedQuits = 0;
    RecordedQuitCode = -1;
    RecordedBells = 0;
}

void showMessageBox(const char* text, const char* caption, int icon)
{
    RecordedBoxes.push_back({text, caption, icon});
}

void requestQuit(int exitCode)
{
    RecordedQuits += 1;
    RecordedQuitCode = exitCode;
}

void playBell()
{
    RecordedBells += 1;
}
