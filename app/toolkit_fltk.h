// What the Linux program's FLTK windows (the connect dialogs and the message
// boxes) share: the toolkit is started on first use, and from then on the
// main loop lets it handle its events once per pass (pumpDialogs).
#pragma once

extern bool ToolkitStarted;
// Opens FLTK's display connection unless it is open; false when there is
// no display to open (FLTK would end the process otherwise).
bool startToolkit();
