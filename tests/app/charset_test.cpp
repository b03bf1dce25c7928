// UTF-8 <-> Windows-1252 conversions of typed text, titles and messages.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/charset.h"

namespace {

std::vector<int32_t> decodeAll(const std::string& text)
{
    std::vector<int32_t> out;
    int pos = 0;
    for (int32_t c; (c = nextCodePoint(text.data(), static_cast<int>(text.size()), &pos)) >= 0;)
        out.push_back(c);
    return out;
}

TEST(Utf8Decoding, WellFormedAndMalformedSequences)
{
    struct Case {
        std::string text;
        std::vector<int32_t> expected;
    } cases[] = {
        {"az", {'a', 'z'}},
        {"\xC3\x9F", {0xDF}},                      // ß
        {"\xE2\x82\xAC", {0x20AC}},                // €
        {"\xF0\x9F\x98\x80", {0x1F600}},           // outside the BMP
        {"\xC3", {0xFFFD}},                        // truncated
        {"\xE2\x82", {0xFFFD, 0xFFFD}},            // truncated, each byte replaced
        {"\x80x", {0xFFFD, 'x'}},                  // stray continuation byte
        {"\xC0\xAF", {0xFFFD, 0xFFFD}},            // overlong '/'
        {"\xED\xA0\x80", {0xFFFD, 0xFFFD, 0xFFFD}},  // surrogate
        {"\xF4\x90\x80\x80", {0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}},  // above U+10FFFF
        {"\xFF", {0xFFFD}},
        {"\xC3\x28", {0xFFFD, '('}},
    };
    for (const auto& c : cases) EXPECT_EQ(decodeAll(c.text), c.expected) << c.text;
}

TEST(Utf8Decoding, StopsAtTheLengthAndAtNul)
{
    const char text[] = "ab\0cd";
    int pos = 0;
    EXPECT_EQ(nextCodePoint(text, 1, &pos), 'a');
    EXPECT_EQ(nextCodePoint(text, 1, &pos), -1);
    pos = 2;
    EXPECT_EQ(nextCodePoint(text, 5, &pos), -1);
    // A sequence cut by the length is not read past it.
    pos = 0;
    EXPECT_EQ(nextCodePoint("\xC3\x9F", 1, &pos), 0xFFFD);
    EXPECT_EQ(pos, 1);
}

TEST(Cp1252, CodePointsToBytes)
{
    struct Case {
        int32_t codePoint;
        int expected;
    } cases[] = {
        {' ', ' '},    {'~', '~'},    {0xA0, 0xA0},  {0xDF, 0xDF},  {0xFF, 0xFF},
        {0x20AC, 0x80}, {0x201A, 0x82}, {0x0160, 0x8A}, {0x017D, 0x8E}, {0x2122, 0x99},
        {0x0178, 0x9F},
        {0x1F, -1},    {0x7F, -1},    {0x81, -1},    {0x9F, -1},    // controls
        {0x0100, -1},  {0x3042, -1},  {0x1F600, -1}, {0xFFFD, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(codePointToCp1252(c.codePoint), c.expected) << c.codePoint;
}

TEST(Cp1252, TextToUtf8)
{
    char out[64];
    EXPECT_EQ(cp1252ToUtf8("QuorvishTelnet v0.2\xDF - x", out, sizeof out), 25);
    EXPECT_STREQ(out, "QuorvishTelnet v0.2\xC3\x9F - x");
    cp1252ToUtf8("\x80\x99\x81", out, sizeof out);
    EXPECT_STREQ(out, "\xE2\x82\xAC\xE2\x84\xA2\xEF\xBF\xBD");   // € ™ and unassigned 0x81
}

TEST(Cp1252, TextToUtf8NeverOverrunsAndNeverSplitsACharacter)
{
    char out[8];
    std::memset(out, 'X', sizeof out);
    // Room for 7 bytes and the NUL: "abcde" + 2-byte ß fits, the next ß does not.
    EXPECT_EQ(cp1252ToUtf8("abcde\xDF\xDF", out, sizeof out), 7);
    EXPECT_STREQ(out, "abcde\xC3\x9F");
    char small[3] = {'X', 'X', 'X'};
    EXPECT_EQ(cp1252ToUtf8("\x80", small, sizeof small), 0);   // 3 bytes need 4 with the NUL
    EXPECT_EQ(small[0], '\0');
    EXPECT_EQ(cp1252ToUtf8("abc", small, 0), 0);
    EXPECT_EQ(small[0], '\0');
}

}  // namespace
