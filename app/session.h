// The connected session's share of each terminal frame, the same in every
// front end: the windowed programs and the headless tool.
#pragma once

extern float ScrollRowsPerSecond;   // the smooth scroll's pace; the speed keys change it

// The tail of a terminal frame drawn at frameRate: a step of the smooth
// scroll while it runs, then the typed characters go out.
void finishTerminalFrame(float frameRate);
