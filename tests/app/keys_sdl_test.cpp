// SDL key events as Windows virtual-key codes and one-byte characters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/keys_sdl.h"

namespace {

TEST(VirtualKeys, CodesOfTheKeysTheProgramAndHostsUse)
{
    struct Case {
        SDL_Keycode key;
        SDL_Scancode scancode;
        int expected;
    } cases[] = {
        {SDLK_HOME, SDL_SCANCODE_HOME, 36},       {SDLK_END, SDL_SCANCODE_END, 35},
        {SDLK_LEFT, SDL_SCANCODE_LEFT, 37},       {SDLK_UP, SDL_SCANCODE_UP, 38},
        {SDLK_RIGHT, SDL_SCANCODE_RIGHT, 39},     {SDLK_DOWN, SDL_SCANCODE_DOWN, 40},
        {SDLK_a, SDL_SCANCODE_A, 'A'},            {SDLK_z, SDL_SCANCODE_Z, 'Z'},
        // A French layout: the key at the place of Q types 'a' and is VK 'A'.
        {SDLK_a, SDL_SCANCODE_Q, 'A'},
        {SDLK_0, SDL_SCANCODE_0, '0'},            {SDLK_9, SDL_SCANCODE_9, '9'},
        {SDLK_RETURN, SDL_SCANCODE_RETURN, 13},   {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 13},
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 27},   {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 8},
        {SDLK_TAB, SDL_SCANCODE_TAB, 9},          {SDLK_SPACE, SDL_SCANCODE_SPACE, 32},
        {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 16},   {SDLK_RCTRL, SDL_SCANCODE_RCTRL, 17},
        {SDLK_F1, SDL_SCANCODE_F1, 112},          {SDLK_F12, SDL_SCANCODE_F12, 123},
        {SDLK_KP_5, SDL_SCANCODE_KP_5, 101},      {SDLK_DELETE, SDL_SCANCODE_DELETE, 46},
        {SDLK_PAGEUP, SDL_SCANCODE_PAGEUP, 33},   {SDLK_MINUS, SDL_SCANCODE_MINUS, 189},
        {SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN, 0},  {SDLK_MUTE, SDL_SCANCODE_MUTE, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(virtualKeyFor(c.key, c.scancode), c.expected) << SDL_GetKeyName(c.key);
}

TEST(TypedKeys, KeysWithoutTextGiveTheirControlCharacter)
{
    struct Case {
        SDL_Keycode key;
        Uint16 modifiers;
        int expected;
    } cases[] = {
        {SDLK_RETURN, KMOD_NONE, 13},     {SDLK_KP_ENTER, KMOD_NONE, 13},
        {SDLK_BACKSPACE, KMOD_NONE, 8},   {SDLK_TAB, KMOD_NONE, 9},
        {SDLK_TAB, KMOD_LSHIFT, 9},       {SDLK_ESCAPE, KMOD_NONE, 27},
        {SDLK_a, KMOD_LCTRL, 1},          {SDLK_c, KMOD_RCTRL, 3},
        {SDLK_z, KMOD_LCTRL | KMOD_LSHIFT, 26},
        {SDLK_LEFTBRACKET, KMOD_LCTRL, 27}, {SDLK_BACKSLASH, KMOD_LCTRL, 28},
        {SDLK_RIGHTBRACKET, KMOD_LCTRL, 29},
        {SDLK_RETURN, KMOD_LCTRL, 10},    {SDLK_BACKSPACE, KMOD_LCTRL, 127},
        {SDLK_SPACE, KMOD_LCTRL, 32},
        // Keys whose character arrives as text input, or that type nothing.
        {SDLK_a, KMOD_NONE, -1},          {SDLK_a, KMOD_LSHIFT, -1},
        {SDLK_SPACE, KMOD_NONE, -1},      {SDLK_1, KMOD_LCTRL, -1},
        {SDLK_HOME, KMOD_NONE, -1},       {SDLK_LEFT, KMOD_LCTRL, -1},
        {SDLK_DELETE, KMOD_NONE, -1},     {SDLK_a, KMOD_LALT, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(typedCharForKey(c.key, c.modifiers), c.expected)
            << SDL_GetKeyName(c.key) << " mod " << c.modifiers;
}

std::vector<int> typed(const char* text, Uint16 modifiers, int size = 32)
{
    unsigned char out[32];
    int count = typedCharsForText(text, modifiers, out, size);
    return std::vector<int>(out, out + count);
}

TEST(TypedText, EachCharacterBecomesOneWindows1252Byte)
{
    struct Case {
        const char* text;
        Uint16 modifiers;
        std::vector<int> expected;
    } cases[] = {
        {"a", KMOD_NONE, {'a'}},
        {"A", KMOD_LSHIFT, {'A'}},
        {" ", KMOD_NONE, {' '}},
        {"\xC3\x9F", KMOD_NONE, {0xDF}},              // ß
        {"\xC3\xA9", KMOD_NONE, {0xE9}},              // é
        {"\xE2\x82\xAC", KMOD_NONE, {0x80}},          // € is 0x80 in the code page
        {"@", KMOD_RALT, {'@'}},                      // AltGr on many layouts
        {"\xE3\x81\x82", KMOD_NONE, {'?'}},           // not in the code page
        {"ab\xC3\xBC", KMOD_NONE, {'a', 'b', 0xFC}},  // several characters at once
        {"\xC2\x85", KMOD_NONE, {}},                  // a C1 control is no text
        {"\x7F", KMOD_NONE, {}},
        // Ctrl and Alt combinations are keys, not text.
        {"1", KMOD_LCTRL, {}},
        {"x", KMOD_LALT, {}},
        {"x", KMOD_RCTRL | KMOD_RALT, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(typed(c.text, c.modifiers), c.expected) << c.text;
}

TEST(TypedText, NeverWritesMoreThanTheRoomGiven)
{
    EXPECT_EQ(typed("abcdef", KMOD_NONE, 3), (std::vector<int>{'a', 'b', 'c'}));
    EXPECT_EQ(typed("abc", KMOD_NONE, 0), std::vector<int>{});
}

}  // namespace
