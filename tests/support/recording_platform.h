// A platform for tests: remembers message boxes, quit requests and bells.
#pragma once
#include <string>
#include <vector>

struct RecordedBox {
    std::string text, caption;
    int icon;
};

inline std::vector<RecordedBox> RecordedBoxes;
inline int RecordedQuits = 0, RecordedQuitCode = -1, RecordedBells = 0;

void resetRecordedPlatform();
