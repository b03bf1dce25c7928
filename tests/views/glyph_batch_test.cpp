// What a glyph string turns into before it reaches GL: which glyph each
// character draws, where, and in which RainColour cell.
#include "render/rain.h"
#include "render/random.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const unsigned char* bytes(const std::string& s)
{
    return reinterpret_cast<const unsigned char*>(s.c_str());
}

class GlyphBatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        initRain();
        GlyphBatchCount = 0;
        GlitchChar = '~';
        seedRandom(777);
    }
    void TearDown() override { GlyphBatchCount = 0; }

    // Gathers the whole string as drawGlyphString does, from x = 0.
    static int gather(const std::string& s, float advance, int colourRow, float* x)
    {
        *x = 0.0f;
        return gatherGlyphString(bytes(s), 0, x, 0.0f, advance, colourRow);
    }
};

TEST_F(GlyphBatchTest, CodesMapToTheirGlyphOrTheFallback)
{
    const int fallback = GLYPH_FALLBACK_CODE - 32;
    const struct {
        int code;
        int index;
    } cases[] = {
        {32, 0}, {33, 1}, {'A', 33}, {126, 94}, {127, 95},
        {0, fallback}, {1, fallback}, {27, fallback}, {31, fallback},
        {128, fallback}, {160, fallback}, {255, fallback},
        {0x141, 'A' - 32},  // only the low 8 bits count
        {-1, fallback},     // 0xFF
        {0x7F7F, 95},
    };
    for (const auto& c : cases) {
        int index = glyphIndex(c.code);
        EXPECT_EQ(index, c.index) << "code " << c.code;
        EXPECT_GE(index, 0);
        EXPECT_LT(index, 96);
    }
    EXPECT_GE(GLYPH_FALLBACK_CODE, 33);
    EXPECT_LE(GLYPH_FALLBACK_CODE, 127);
}

TEST_F(GlyphBatchTest, SpacesAdvanceButAddNoQuad)
{
    float x = 0.0f;
    int end = gather("A  B", 0.2f, 0, &x);
    EXPECT_EQ(end, 4);
    ASSERT_EQ(GlyphBatchCount, 2);
    EXPECT_EQ(GlyphBatch[0].glyph, 'A' - 32);
    EXPECT_EQ(GlyphBatch[1].glyph, 'B' - 32);
    // Positions accumulate the advance in single precision, as a chain of
    // translations would.
    float expected = 0.0f;
    expected += 0.2f;
    expected += 0.2f;
    expected += 0.2f;
    EXPECT_EQ(GlyphBatch[0].x, 0.0f);
    EXPECT_EQ(GlyphBatch[1].x, expected);
    expected += 0.2f;
    EXPECT_EQ(x, expected);
}

TEST_F(GlyphBatchTest, ColoursComeFromTheRowsCells)
{
    float x = 0.0f;
    gather("abc", 0.2f, 7, &x);
    ASSERT_EQ(GlyphBatchCount, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(GlyphBatch[i].colourCell, 7 * 81 + i);
}

// Past 80 characters: character 80 takes the never-written cell 80 (black),
// 81 and on the next row's cells from 0.
TEST_F(GlyphBatchTest, LongStringsRunOnIntoTheNextRowsColours)
{
    RainColour[3 * 81 + 0][0] = 0.25f;
    RainColour[3 * 81 + 0][1] = 0.5f;
    RainColour[3 * 81 + 0][2] = 0.75f;
    float x = 0.0f;
    gather(std::string(100, 'A'), 0.2f, 2, &x);
    ASSERT_EQ(GlyphBatchCount, 100);
    EXPECT_EQ(GlyphBatch[79].colourCell, 2 * 81 + 79);
    EXPECT_EQ(GlyphBatch[80].colourCell, 2 * 81 + 80);
    const float* black = RainColour[GlyphBatch[80].colourCell];
    EXPECT_EQ(black[0], 0.0f);
    EXPECT_EQ(black[1], 0.0f);
    EXPECT_EQ(black[2], 0.0f);
    EXPECT_EQ(GlyphBatch[81].colourCell, 3 * 81 + 0);
    EXPECT_EQ(RainColour[GlyphBatch[81].colourCell][2], 0.75f);
    EXPECT_EQ(GlyphBatch[99].colourCell, 3 * 81 + 18);
}

// Cells beyond the grid have no colour: black, and nothing read outside it.
TEST_F(GlyphBatchTest, ColoursPastTheGridAreBlack)
{
    float x = 0.0f;
    gather(std::string(200, 'A'), 0.2f, 39, &x);
    ASSERT_EQ(GlyphBatchCount, 200);
    EXPECT_EQ(GlyphBatch[80].colourCell, 39 * 81 + 80);
    EXPECT_EQ(GlyphBatch[81].colourCell, -1);
    EXPECT_EQ(GlyphBatch[199].colourCell, -1);

    GlyphBatchCount = 0;
    gather("AB", 0.2f, -1, &x);
    EXPECT_EQ(GlyphBatch[0].colourCell, -1);
    GlyphBatchCount = 0;
    gather("AB", 0.2f, 1 << 30, &x);
    EXPECT_EQ(GlyphBatch[1].colourCell, -1);
}

TEST_F(GlyphBatchTest, GlitchCharacterDrawsAFreshRandomGlyphEachTime)
{
    GlitchChar = 'B';
    for (int pass = 0; pass < 50; ++pass) {
        uint32_t saved = RandomState;
        int replacement = nextRandom() % 96 + 32;
        RandomState = saved;

        GlyphBatchCount = 0;
        float x = 0.0f;
        gather("ABC", 0.2f, 0, &x);
        if (replacement == ' ') {
            // Nothing drawn for it, but the advance still applies.
            ASSERT_EQ(GlyphBatchCount, 2);
            EXPECT_EQ(GlyphBatch[1].glyph, 'C' - 32);
            EXPECT_EQ(GlyphBatch[1].x, 0.2f + 0.2f);
        } else {
            ASSERT_EQ(GlyphBatchCount, 3);
            EXPECT_EQ(GlyphBatch[1].glyph, replacement - 32);
            EXPECT_EQ(GlyphBatch[1].colourCell, 1);
        }
        EXPECT_EQ(GlyphBatch[0].glyph, 'A' - 32);
    }
}

TEST_F(GlyphBatchTest, BytesAbove127NeverMatchTheGlitchCharacter)
{
    GlitchChar = 127;
    uint32_t saved = RandomState;
    float x = 0.0f;
    const unsigned char text[] = {0xFF, 0x80, 0xC1, 0};
    gatherGlyphString(text, 0, &x, 0.0f, 0.2f, 0);
    EXPECT_EQ(RandomState, saved) << "no random glyph drawn";
    ASSERT_EQ(GlyphBatchCount, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(GlyphBatch[i].glyph, GLYPH_FALLBACK_CODE - 32);

    const unsigned char del[] = {127, 0};
    gatherGlyphString(del, 0, &x, 0.0f, 0.2f, 0);
    EXPECT_NE(RandomState, saved) << "127 is the glitch character and is replaced";
}

TEST_F(GlyphBatchTest, FullBatchStopsBeforeTheNextCharacter)
{
    GlyphBatchCount = GLYPH_BATCH_CAPACITY - 1;
    float x = 0.0f;
    GlitchChar = 'B';
    uint32_t saved = RandomState;
    int end = gatherGlyphString(bytes("ABC"), 0, &x, 0.0f, 0.2f, 0);
    EXPECT_EQ(end, 1);
    EXPECT_EQ(GlyphBatchCount, GLYPH_BATCH_CAPACITY);
    EXPECT_EQ(x, 0.2f);
    EXPECT_EQ(RandomState, saved) << "the glitch draw waits for the next batch";

    // The rest continues where it stopped, in a new batch.
    GlyphBatchCount = 0;
    end = gatherGlyphString(bytes("ABC"), end, &x, 0.0f, 0.2f, 0);
    EXPECT_EQ(end, 3);
    EXPECT_GE(GlyphBatchCount, 1);
    EXPECT_EQ(GlyphBatch[GlyphBatchCount - 1].colourCell, 2);
}

TEST_F(GlyphBatchTest, EmptyStringGathersNothing)
{
    float x = 0.0f;
    EXPECT_EQ(gather("", 0.2f, 0, &x), 0);
    EXPECT_EQ(GlyphBatchCount, 0);
    EXPECT_EQ(x, 0.0f);
}

} // namespace
