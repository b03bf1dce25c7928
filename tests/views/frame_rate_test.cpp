// The frame-rate measurement and the starfield's placement, without GL.
#include "app/app_state.h"
#include "render/perspective.h"
#include "render/random.h"
#include "terminal/screen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

namespace {

class FrameRateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FrameCounter = 0;
        for (int k = 0; k < FRAME_HISTORY; ++k) {
            FrameCountHistory[k] = 0;
            FrameTimeHistory[k] = 0.0f;
        }
        FrameRate = 0.0f;
    }

    // What renderFrame does before it draws.
    static void frameAt(float seconds)
    {
        ElapsedSeconds = seconds;
        ++FrameCounter;
        measureFrameRate();
    }
};

TEST_F(FrameRateTest, FirstFrameIsOneOverElapsedSeconds)
{
    frameAt(20.0f);   // twenty seconds in the start menu
    EXPECT_EQ(FrameRate, 0.05f);
    EXPECT_EQ(FrameCountHistory[49], 1);
    EXPECT_EQ(FrameTimeHistory[49], 20.0f);
}

// During the first 50 frames the oldest entry is still zero: frames so far
// over the time since the window was created.
TEST_F(FrameRateTest, FirstFiftyFramesCountFromTheStart)
{
    for (int n = 1; n <= 50; ++n) {
        float t = 20.0f + 0.04f * n;
        frameAt(t);
        ASSERT_EQ(FrameRate, static_cast<float>(n) / t) << "frame " << n;
    }
    EXPECT_NEAR(FrameRate, 50.0f / 22.0f, 1e-4);
}

TEST_F(FrameRateTest, SteadyTwentyFiveFramesPerSecondFromFrame51)
{
    float times[201];
    for (int n = 1; n <= 200; ++n) {
        times[n] = 20.0f + 0.04f * n;
        frameAt(times[n]);
        if (n >= 51) {
            // Exactly 50 frames over the time the last 50 took, in floats.
            ASSERT_EQ(FrameRate, 50.0f / (times[n] - times[n - 50])) << "frame " << n;
            ASSERT_NEAR(FrameRate, 25.0f, 0.01f) << "frame " << n;
        }
    }
    // The histories hold the last 50 frames, oldest first.
    for (int k = 0; k < FRAME_HISTORY; ++k) {
        EXPECT_EQ(FrameCountHistory[k], 151 + k);
        EXPECT_EQ(FrameTimeHistory[k], times[151 + k]);
    }
}

TEST_F(FrameRateTest, TimeThatDoesNotAdvanceGivesInfinity)
{
    // On the very first frame at time zero...
    frameAt(0.0f);
    EXPECT_TRUE(std::isinf(FrameRate));
    EXPECT_GT(FrameRate, 0.0f);

    // ...and when the clock stands still for more than 50 frames.
    SetUp();
    for (int n = 0; n < 60; ++n)
        frameAt(7.0f);
    EXPECT_TRUE(std::isinf(FrameRate));
    EXPECT_GT(FrameRate, 0.0f);

    // The next frame with a moving clock measures again.
    for (int n = 0; n < 50; ++n)
        frameAt(8.0f + n * 0.1f);
    EXPECT_TRUE(std::isfinite(FrameRate));
}

TEST(RotateVector, QuarterTurnsAboutEachAxisInOrder)
{
    const struct {
        float ax, ay, az;
        float x, y, z;
    } cases[] = {
        {0, 0, 0, 1, 2, 3},
        {90, 0, 0, 1, -3, 2},
        {0, 90, 0, 3, 2, -1},
        {0, 0, 90, -2, 1, 3},
        {90, 90, 0, 2, -3, -1},     // X first, then Y
        {0, 90, 90, -2, 3, -1},     // Y, then Z
        {90, 0, 90, 3, 1, 2},       // X, then Z
        {180, 0, 0, 1, -2, -3},
        {0, 0, 360, 1, 2, 3},
    };
    for (const auto& c : cases) {
        float v[3] = {1, 2, 3};
        rotateVector(v, c.ax, c.ay, c.az);
        EXPECT_NEAR(v[0], c.x, 1e-5) << c.ax << " " << c.ay << " " << c.az;
        EXPECT_NEAR(v[1], c.y, 1e-5) << c.ax << " " << c.ay << " " << c.az;
        EXPECT_NEAR(v[2], c.z, 1e-5) << c.ax << " " << c.ay << " " << c.az;
    }
}

TEST(Starfield, SeededStarsLieOnTheSphereAndDriftFromTheGenerator)
{
    for (uint32_t seed : {1u, 1718000000u, 42u}) {
        seedRandom(seed);
        seedStarfield();

        const double radius = 80.0 * std::sqrt(3.0);
        std::set<std::tuple<float, float, float>> distinct;
        for (int s = 0; s < STAR_COUNT; ++s) {
            double x = Starfield[s][0], y = Starfield[s][1], z = Starfield[s][2];
            ASSERT_NEAR(std::sqrt(x * x + y * y + z * z), radius, 1e-3) << "star " << s;
            distinct.insert({Starfield[s][0], Starfield[s][1], Starfield[s][2]});
        }
        EXPECT_GT(distinct.size(), 350u);

        // Three angles per star, then one more value for the drift.
        seedRandom(seed);
        for (int n = 0; n < 3 * STAR_COUNT; ++n)
            nextRandom();
        int value = nextRandom() % 100;
        EXPECT_EQ(StarDrift, static_cast<float>((value - 50) * (1.0 / 3000.0))) << seed;
        EXPECT_GE(StarDrift, -50.0f / 3000.0f);
        EXPECT_LE(StarDrift, 49.0f / 3000.0f);
    }
}

// The first star of a known seed, from the angles the generator gives:
// about Z first drawn, then Y, then X.
TEST(Starfield, AnglesAreDrawnZThenYThenX)
{
    seedRandom(99);
    float az = static_cast<float>(nextRandom() % 360);
    float ay = static_cast<float>(nextRandom() % 360);
    float ax = static_cast<float>(nextRandom() % 360);
    float expected[3] = {80.0f, 80.0f, 80.0f};
    rotateVector(expected, ax, ay, az);

    seedRandom(99);
    seedStarfield();
    EXPECT_EQ(Starfield[0][0], expected[0]);
    EXPECT_EQ(Starfield[0][1], expected[1]);
    EXPECT_EQ(Starfield[0][2], expected[2]);
}

} // namespace
