#pragma once

extern bool HeadlessQuitRequested;
extern int HeadlessBellCount;
