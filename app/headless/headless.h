#pragma once

extern bool HeadlessQuitRequested;
