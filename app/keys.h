// The program's own key codes: the keys whose holding it follows. Each
// platform layer maps its keys to these (keys_sdl.cpp, window_win32.cpp);
// every other key is KEY_NONE and is not followed.
#pragma once

enum { KEY_NONE = 0, KEY_END, KEY_HOME, KEY_COUNT };
