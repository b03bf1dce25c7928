#include "app/session.h"

#include "net/connection.h"
#include "terminal/screen.h"

float ScrollRowsPerSecond = SCROLL_ROWS_PER_SECOND;

void finishTerminalFrame(float frameRate)
{
    if (scrollActive) advanceScroll(frameRate, ScrollRowsPerSecond);
    sendQueued();
}
