#include "app/keys_sdl.h"

#include <cstring>

#include "terminal/charset.h"
#include "app/keys.h"

int keyFor(SDL_Scancode scancode)
{
    switch (scancode) {
    case SDL_SCANCODE_END: return KEY_END;
    case SDL_SCANCODE_HOME: return KEY_HOME;
    default: return KEY_NONE;
    }
}

int typedCharForKey(SDL_Keycode key, Uint16 modifiers)
{
    const bool ctrl = (modifiers & KMOD_CTRL) != 0;
    switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return ctrl ? 10 : 13;
    case SDLK_BACKSPACE: return ctrl ? 127 : 8;
    case SDLK_TAB: return 9;
    case SDLK_ESCAPE: return 27;
    default: break;
    }
    if (!ctrl) return -1;
    if (key >= SDLK_a && key <= SDLK_z) return 1 + (key - SDLK_a);
    switch (key) {
    case SDLK_LEFTBRACKET: return 27;
    case SDLK_BACKSLASH: return 28;
    case SDLK_RIGHTBRACKET: return 29;
    case SDLK_SPACE: return 32;
    default: return -1;
    }
}

int typedCharsForText(const char* utf8, Uint16 modifiers, unsigned char* out, int size)
{
    if (modifiers & (KMOD_CTRL | KMOD_LALT)) return 0;
    const int length = static_cast<int>(std::strlen(utf8));
    int count = 0;
    int pos = 0;
    for (int32_t codePoint; count < size && (codePoint = nextCodePoint(utf8, length, &pos)) >= 0;) {
        if (codePoint < 0x20 || codePoint == 0x7F || (codePoint >= 0x80 && codePoint < 0xA0))
            continue;   // controls come from key presses
        int byte = codePointToCp1252(codePoint);
        out[count++] = static_cast<unsigned char>(byte >= 0 ? byte : '?');
    }
    return count;
}
