// The rain view's batched drawing against the plain one (one quad, one
// texture bind and one translation per character), and where its cells land.
#include "render/frame.h"
#include "render/gl_setup.h"
#include "render/rain.h"
#include "render/random.h"
#include "terminal/screen.h"
#include "render/offscreen_gl.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// One character's own textured quad, 0.2 x 0.3, one unit towards the viewer.
void drawGlyphQuad(int code)
{
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, GlyphTextures[glyphIndex(code)]);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    for (const auto& [s, t] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
        glTexCoord2f(float(s), float(t));
        glVertex3f(s ? 0.1f : -0.1f, t ? -0.15f : 0.15f, 1.0f);
    }
    glEnd();
}

// Rows down from the layout's origin 0.3 apart, characters 0.2 apart, each
// its own quad with its own glyph texture, as a glyph string is drawn.
void drawPlainRain()
{
    const bool tall = TallScreen != 0;
    glPushMatrix();
    glTranslatef(-8.0f, tall ? 6.2f : 3.1f, tall ? -12.0f : -7.0f);
    glColor3f(0.0f, 1.0f, 0.0f);
    for (int r = tall ? 0 : 20; r < RAIN_ROWS; ++r) {
        glTranslatef(0.0f, -0.3f, 0.0f);
        glPushMatrix();
        for (int i = 0; RainText[r][i] != 0; ++i) {
            int ch = RainText[r][i];
            if (static_cast<signed char>(ch) == GlitchChar)
                ch = nextRandom() % 96 + 32;
            if (ch != ' ') {
                glColor3fv(RainColour[r * RAIN_STRIDE + i]);
                drawGlyphQuad(ch);
            }
            glTranslatef(0.2f, 0.0f, 0.0f);
        }
        glPopMatrix();
    }
    glPopMatrix();
}

std::vector<unsigned char> drawn(int width, int height, void (*draw)())
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    draw();
    std::vector<unsigned char> rgba(size_t(width) * height * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

// A page of every printable code, blanks, a NUL and a byte without a glyph;
// the glitch character ('e') stands on it, so some cells draw random glyphs.
void rainOverPage(int tall)
{
    resetTerminal();
    for (int i = 0; i < 40 * SCREEN_COLUMNS; ++i)
        ScreenBuffer[160 * SCREEN_COLUMNS + i] = static_cast<unsigned char>(i % 7 == 3 ? ' ' : 32 + i * 37 % 96);
    ScreenBuffer[190 * SCREEN_COLUMNS + 5] = 0;
    ScreenBuffer[191 * SCREEN_COLUMNS + 6] = 200;
    cursorRow = 199;
    cursorColumn = 40;
    TallScreen = tall;
    ElapsedSeconds = 1.0f;
    initRain();
    seedRandom(2024);
    for (int n = 0; n < 140; ++n)   // drops over most columns, the page half revealed
        advanceRainFrame();
    GlitchChar = 'e';
}

TEST(RainPicture, BatchedDrawingMatchesPlainQuadsAndCellsLandOnTheGrid)
{
    for (const auto& [width, height] : {std::pair{1280, 544}, std::pair{800, 500}}) {
        ASSERT_TRUE(createHeadlessContext(width, height)) << "no headless GL context";
        initGL(width, height);
        resizeGL(width, height);
        for (int tall = 0; tall < 2; ++tall) {
            SCOPED_TRACE(testing::Message() << width << " x " << height << ", tall " << tall);
            rainOverPage(tall);
            const uint32_t random = RandomState;
            const std::vector<unsigned char> batched = drawn(width, height, drawRainRows);
            EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
            RandomState = random;
            const std::vector<unsigned char> plain = drawn(width, height, drawPlainRain);

            // Same colours (RGB; the window has no alpha) up to the rounding
            // of filtering and lighting.
            int worst = 0, lit = 0;
            for (size_t p = 0; p < plain.size(); p += 4) {
                for (int c = 0; c < 3; ++c)
                    worst = std::max(worst, std::abs(batched[p + c] - plain[p + c]));
                lit += plain[p] + plain[p + 1] + plain[p + 2] > 0;
            }
            EXPECT_LE(worst, 3);
            EXPECT_GT(lit, width * height / 10);

            // Every lit pixel lies in a cell holding a character, and every
            // cell on view holding one (unless it is the glitch character)
            // shows. Row r's centre lies 0.3 (r - first + 1) below the
            // origin, column k's 0.2 k right of it; cells are 0.2 x 0.3, one
            // unit in front of the origin. Pixels on a cell border are left out.
            const double z = tall ? -11.0 : -6.0, top = tall ? 6.05 : 2.95, perPixel = 2 * -z / std::sqrt(3.0) / height;
            const int first = tall ? 0 : 20;
            const auto cellAt = [&](double x, double y, double* r) {
                *r = first + (top - (y - height / 2.0) * perPixel) / 0.3;
                return ((x - width / 2.0) * perPixel + 8.1) / 0.2;
            };
            std::vector<int> shown(RAIN_ROWS * RAIN_COLUMNS);
            int stray = 0;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const unsigned char* p = &batched[(size_t(y) * width + x) * 4];
                    double r, k = cellAt(x + 0.5, y + 0.5, &r);
                    if (p[0] + p[1] + p[2] == 0 || k < 0 || k >= RAIN_COLUMNS || r < first || r >= RAIN_ROWS)
                        stray += p[0] + p[1] + p[2] > 0;
                    else if (RainText[int(r)][int(k)] != ' ')
                        ++shown[int(r) * RAIN_COLUMNS + int(k)];
                    else
                        stray += std::fabs(k - std::round(k)) > perPixel / 0.2 && std::fabs(r - std::round(r)) > perPixel / 0.3;
                }
            EXPECT_EQ(stray, 0);
            int missing = 0;
            double r0, r1, k0 = cellAt(0, height, &r0), k1 = cellAt(width, 0, &r1);
            for (int r = first; r < RAIN_ROWS; ++r)
                for (int k = 0; k < RAIN_COLUMNS; ++k)
                    missing += k >= k0 && k + 1 <= k1 && r >= r0 && r + 1 <= r1 && RainText[r][k] != ' ' &&
                               RainText[r][k] != GlitchChar && shown[r * RAIN_COLUMNS + k] == 0;
            EXPECT_EQ(missing, 0);
        }
        deleteGlyphTextures();
        deletePanelTextures();
    }
    destroyHeadlessContext();
}

} // namespace
