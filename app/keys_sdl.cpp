#include "app/keys_sdl.h"

#include <cstring>

#include "app/charset.h"

namespace {

struct KeyCode {
    SDL_Scancode scancode;
    int virtualKey;
};

// Keys whose code does not follow from the character they type.
const KeyCode NamedKeys[] = {
    {SDL_SCANCODE_BACKSPACE, 8},    {SDL_SCANCODE_TAB, 9},        {SDL_SCANCODE_RETURN, 13},
    {SDL_SCANCODE_KP_ENTER, 13},    {SDL_SCANCODE_LSHIFT, 16},    {SDL_SCANCODE_RSHIFT, 16},
    {SDL_SCANCODE_LCTRL, 17},       {SDL_SCANCODE_RCTRL, 17},     {SDL_SCANCODE_LALT, 18},
    {SDL_SCANCODE_RALT, 18},        {SDL_SCANCODE_PAUSE, 19},     {SDL_SCANCODE_CAPSLOCK, 20},
    {SDL_SCANCODE_ESCAPE, 27},      {SDL_SCANCODE_SPACE, 32},     {SDL_SCANCODE_PAGEUP, 33},
    {SDL_SCANCODE_PAGEDOWN, 34},    {SDL_SCANCODE_END, 35},       {SDL_SCANCODE_HOME, 36},
    {SDL_SCANCODE_LEFT, 37},        {SDL_SCANCODE_UP, 38},        {SDL_SCANCODE_RIGHT, 39},
    {SDL_SCANCODE_DOWN, 40},        {SDL_SCANCODE_PRINTSCREEN, 44}, {SDL_SCANCODE_INSERT, 45},
    {SDL_SCANCODE_DELETE, 46},      {SDL_SCANCODE_LGUI, 91},      {SDL_SCANCODE_RGUI, 92},
    {SDL_SCANCODE_APPLICATION, 93}, {SDL_SCANCODE_KP_0, 96},      {SDL_SCANCODE_KP_1, 97},
    {SDL_SCANCODE_KP_2, 98},        {SDL_SCANCODE_KP_3, 99},      {SDL_SCANCODE_KP_4, 100},
    {SDL_SCANCODE_KP_5, 101},       {SDL_SCANCODE_KP_6, 102},     {SDL_SCANCODE_KP_7, 103},
    {SDL_SCANCODE_KP_8, 104},       {SDL_SCANCODE_KP_9, 105},     {SDL_SCANCODE_KP_MULTIPLY, 106},
    {SDL_SCANCODE_KP_PLUS, 107},    {SDL_SCANCODE_KP_MINUS, 109}, {SDL_SCANCODE_KP_PERIOD, 110},
    {SDL_SCANCODE_KP_DIVIDE, 111},  {SDL_SCANCODE_NUMLOCKCLEAR, 144}, {SDL_SCANCODE_SCROLLLOCK, 145},
};

// Punctuation keys by the character they type unshifted (US layout codes).
const struct {
    SDL_Keycode key;
    int virtualKey;
} PunctuationKeys[] = {
    {SDLK_SEMICOLON, 186}, {SDLK_EQUALS, 187},    {SDLK_COMMA, 188},      {SDLK_MINUS, 189},
    {SDLK_PERIOD, 190},    {SDLK_SLASH, 191},     {SDLK_BACKQUOTE, 192},  {SDLK_LEFTBRACKET, 219},
    {SDLK_BACKSLASH, 220}, {SDLK_RIGHTBRACKET, 221}, {SDLK_QUOTE, 222},
};

}  // namespace

int virtualKeyFor(SDL_Keycode key, SDL_Scancode scancode)
{
    for (const KeyCode& named : NamedKeys)
        if (named.scancode == scancode) return named.virtualKey;
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12)
        return 112 + (scancode - SDL_SCANCODE_F1);
    // Letters and digits are named after the character the layout gives
    // the key, as on Windows.
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    for (const auto& punctuation : PunctuationKeys)
        if (punctuation.key == key) return punctuation.virtualKey;
    return 0;
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
