// SDL keyboard events in the program's terms: its own key codes (keys.h)
// for the key state, and typed characters as one Windows-1252 byte each.
#pragma once
#include <SDL.h>

// The program's code for a key (keys.h), KEY_NONE for keys it does not follow.
int keyFor(SDL_Scancode scancode);

// The character a key press types by itself, for the keys that SDL reports
// no text for: Enter 13, Backspace 8, Tab 9, Escape 27 and the Ctrl
// combinations (Ctrl+letter 1..26, Ctrl+[ \ ] 27..29, Ctrl+Enter 10,
// Ctrl+Backspace 127, Ctrl+Space 32). -1 when the press types nothing
// here (its text, if any, comes as text input).
int typedCharForKey(SDL_Keycode key, Uint16 modifiers);

// The bytes of a text-input event: each character as its Windows-1252
// byte, '?' for one the code page lacks. Nothing while Ctrl or the left
// Alt is held (those presses are keys, not text; the right Alt is AltGr).
// Returns the number of bytes written to out[size].
int typedCharsForText(const char* utf8, Uint16 modifiers, unsigned char* out, int size);
