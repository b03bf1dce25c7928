// A platform for tests: remembers message boxes, quit requests and bells.
#pragma once
#include <string>
#include <vector>

struct RecordedBox {
    std::string text;
    std::string caption;
    int icon;
};

extern std::vector<RecordedBox> RecordedBoxes;
extern int RecordedQuits;
extern int RecordedQuitCode;
extern int RecordedBells;

void resetRecordedPlatform();
