// A platform for tests: remembers message boxes and quit requests.
#pragma once
#include <string>
#include <vector>

struct RecordedBox {
    std::string text, caption;
    int icon;
};

inline std::vector<RecordedBox> RecordedBoxes;
inline int RecordedQuits = 0, RecordedQuitCode = -1;

void resetRecordedPlatform();
