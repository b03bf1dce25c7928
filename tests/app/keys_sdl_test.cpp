// SDL key events and text input as the program's key codes and one
// Windows-1252 byte per character, and the UTF-8 of titles and messages.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/charset.h"
#include "app/keys.h"
#include "app/keys_sdl.h"

namespace {

TEST(Keys, OnlyTheSpeedKeysAreFollowed)
{
    EXPECT_EQ(keyFor(SDL_SCANCODE_END), KEY_END);
    EXPECT_EQ(keyFor(SDL_SCANCODE_HOME), KEY_HOME);
    for (SDL_Scancode other : {SDL_SCANCODE_A, SDL_SCANCODE_KP_1, SDL_SCANCODE_PAGEUP})
        EXPECT_EQ(keyFor(other), KEY_NONE);
}

TEST(TypedInput, KeysAndTextGoOutAsOneWindows1252ByteEach)
{
    // A key press when text is null, else a text-input event.
    struct Case { SDL_Keycode key; const char* text; Uint16 modifiers; std::string expected; } cases[] = {
        {SDLK_RETURN, nullptr, KMOD_NONE, "\r"},     {SDLK_KP_ENTER, nullptr, KMOD_NONE, "\r"},
        {SDLK_BACKSPACE, nullptr, KMOD_NONE, "\b"},  {SDLK_TAB, nullptr, KMOD_LSHIFT, "\t"},
        {SDLK_ESCAPE, nullptr, KMOD_NONE, "\x1B"},   {SDLK_c, nullptr, KMOD_RCTRL, "\x03"},
        {SDLK_z, nullptr, KMOD_LCTRL | KMOD_LSHIFT, "\x1A"}, {SDLK_RIGHTBRACKET, nullptr, KMOD_LCTRL, "\x1D"},
        {SDLK_RETURN, nullptr, KMOD_LCTRL, "\n"},    {SDLK_BACKSPACE, nullptr, KMOD_LCTRL, "\x7F"},
        {SDLK_a, nullptr, KMOD_NONE, ""},            // its character comes as text
        {SDLK_1, nullptr, KMOD_LCTRL, ""},           {SDLK_HOME, nullptr, KMOD_NONE, ""},
        {0, "A", KMOD_LSHIFT, "A"},                  {0, "@", KMOD_RALT, "@"},   // AltGr
        {0, "ab\xC3\x9F\xE2\x82\xAC\xE2\x84\xA2", KMOD_NONE, "ab\xDF\x80\x99"},   // ß € ™
        {0, "\xE3\x81\x82\xC4\x81", KMOD_NONE, "??"},   // not in the code page
        {0, "\xC2\x85\x7F", KMOD_NONE, ""},             // controls come from keys only
        {0, "x", KMOD_LALT, ""},                     {0, "1", KMOD_LCTRL, ""},
        // Malformed UTF-8: truncated, stray, overlong, surrogate, above U+10FFFF.
        {0, "\xC3", KMOD_NONE, "?"},                 {0, "\x80x\xC3(", KMOD_NONE, "?x?("},
        {0, "\xC0\xAF", KMOD_NONE, "??"},            {0, "\xED\xA0\x80", KMOD_NONE, "???"},
        {0, "\xF4\x90\x80\x80", KMOD_NONE, "????"},
    };
    for (const auto& c : cases) {
        unsigned char out[16];
        std::string got;
        if (c.text)
            got.assign(reinterpret_cast<char*>(out), typedCharsForText(c.text, c.modifiers, out, sizeof out));
        else if (typedCharForKey(c.key, c.modifiers) >= 0)
            got = std::string(1, static_cast<char>(typedCharForKey(c.key, c.modifiers)));
        EXPECT_EQ(got, c.expected) << (c.text ? c.text : SDL_GetKeyName(c.key)) << " mod " << c.modifiers;
    }
    unsigned char room[4] = {0, 0, 0, 'X'};
    EXPECT_EQ(typedCharsForText("abcdef", KMOD_NONE, room, 3), 3);
    EXPECT_EQ(room[3], 'X');
}

TEST(TitleText, Windows1252ToUtf8NeverOverrunsNorSplitsACharacter)
{
    struct Case { const char* text; int size; const char* expected; } cases[] = {
        {"\xDF\x80\x99\x81", 64, "\xC3\x9F\xE2\x82\xAC\xE2\x84\xA2\xEF\xBF\xBD"},   // ß € ™, unassigned 0x81
        {"abcde\xDF\xDF", 8, "abcde\xC3\x9F"},   // the second ß does not fit
        {"\x80", 3, ""},                         // 3 bytes need 4 with the NUL
    };
    for (const auto& c : cases) {
        char out[65];
        std::memset(out, 'X', sizeof out);
        EXPECT_EQ(cp1252ToUtf8(c.text, out, c.size), static_cast<int>(std::strlen(c.expected))) << c.text;
        EXPECT_STREQ(out, c.expected);
        EXPECT_EQ(out[c.size], 'X') << c.text;
    }
}

}  // namespace
