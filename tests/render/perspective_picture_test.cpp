// The perspective view's page, drawn by the program, against the same page
// drawn through the font lists one byte at a time, and against where the
// layout puts each row and column on the tilted page.
#include "render/frame.h"
#include "render/gl_setup.h"
#include "render/page_image.h"
#include "render/perspective.h"
#include "render/random.h"
#include "render/text_mesh.h"
#include "terminal/screen.h"
#include "render/offscreen_gl.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

struct Size { int width, height; float scroll; };
const Size SIZES[] = {{1280, 544, 1.0f}, {960, 600, 1.4f}};

std::vector<unsigned char> readFrame(const Size& size)
{
    std::vector<unsigned char> pixels(size_t(size.width) * size.height * 4);
    glReadPixels(0, 0, size.width, size.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

void startContext(const Size& size)
{
    ASSERT_TRUE(createHeadlessContext(size.width, size.height)) << "no GL context";
    setUpGraphics(size.width, size.height);
    resetTerminal();
    scrollOffset = size.scroll;
}

// A perspective frame with every row one glCallLists over the font lists.
void drawWithFontLists()
{
    static const GLfloat yellow[4] = {1.0f, 1.0f, 0.0f, 1.0f};
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    drawStarfield();
    glPushMatrix();
    // The page 16 out, tilted back by 40 degrees; its top left lifted by the scroll.
    glTranslatef(0.0f, 0.0f, -16.0f);
    glRotatef(-40.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(-15.0f, 18.5f + scrollOffset, 0.0f);
    glColor4fv(yellow);
    glMaterialfv(GL_FRONT, GL_EMISSION, yellow);
    glDisable(GL_TEXTURE_2D);
    for (int a = 0; a < 26; ++a) {
        glPushMatrix();
        glTranslatef(0.0f, static_cast<float>(-0.75 * a - 9.4), 0.0f);
        glScalef(0.75f, 0.75f, 1.0f);
        glEnable(GL_CULL_FACE);
        glListBase(FontBase);
        glCallLists(SCREEN_COLUMNS, GL_UNSIGNED_BYTE, &ScreenBuffer[(topLine + a) * SCREEN_COLUMNS]);
        glDisable(GL_CULL_FACE);
        glPopMatrix();
    }
    glPopMatrix();
}

// Every byte 0..255 on the four rows from `first`, words on the others.
void fillPage(int first)
{
    const char words[] = "login: Last -rw-r--r-- 1 root 4096 Dec  7 21:35 QuorvishTelnet @#$%&*{}|~ ";
    for (int a = 0; a < 26; ++a)
        for (int k = 0; k < SCREEN_COLUMNS; ++k) {
            const int n = (a - first) * SCREEN_COLUMNS + k;
            ScreenBuffer[(TOP_LINE_REST + a) * SCREEN_COLUMNS + k] = static_cast<unsigned char>(
                n >= 0 && n < 256 ? n : words[(a * 7 + k) % (sizeof words - 1)]);
        }
}

// The program's frames show the pixels the font lists show, stars and fog
// included, with every glyph drawn from its mesh, and then from the still
// page's image; rows are built once and found again when the scroll moves
// them to other places on the page.
TEST(PerspectivePicture, FramesMatchTheFontListsPixelForPixel)
{
    for (const Size& size : SIZES) {
        startContext(size);
        seedRandom(99);
        seedStarfield();
        EXPECT_GE(std::count_if(std::begin(GlyphMeshes), std::end(GlyphMeshes), [](auto& g) { return g.usable; }), 250)
            << "glyphs with a mesh of the 256";

        // The all-codes rows where they show clearly, and in the fog.
        for (int first : {18, 2}) {
            fillPage(first);
            const float angle = StarAngle;
            drawWithFontLists();
            const std::vector<unsigned char> lists = readFrame(size);
            StarAngle = angle;
            renderFrame(VIEW_PERSPECTIVE);
            const std::vector<unsigned char> drawn = readFrame(size);
            long lit = 0, differing = 0;
            for (size_t i = 0; i < lists.size(); i += 4) {
                lit += lists[i] + lists[i + 1] + lists[i + 2] > 0;
                differing += std::memcmp(&lists[i], &drawn[i], 3) != 0;
            }
            // Pen positions add up in a different order than the lists'
            // translations, so a pixel centre on a glyph's edge may rarely
            // fall the other way; a glyph out of place by a pixel changes hundreds.
            EXPECT_TRUE(lit > 40000 && differing <= lit / 5000)
                << size.width << ", codes from row " << first << ": " << differing << " of " << lit << " lit differ";
            // Once the page has stood still it is shown from its image: the same pixels exactly.
            const int32_t fromImage = PageImageFrames;
            for (int n = 0; n < PAGE_STILL_FRAMES; ++n) {
                StarAngle = angle;
                renderFrame(VIEW_PERSPECTIVE);
            }
            EXPECT_TRUE(PageImageFrames > fromImage && readFrame(size) == drawn) << size.width << ": the image differs";
        }

        // A scroll: the grid moves up a row and the view follows it back down.
        const int built = RowMeshBuilds;
        cursorRow = HOST_LAST_ROW + 1;
        checkScroll();
        for (int frames = 0; scrollActive && frames < 100; ++frames) {
            renderFrame(VIEW_PERSPECTIVE);
            advanceScroll(30.0f, SCROLL_ROWS_PER_SECOND);
        }
        EXPECT_EQ(topLine, TOP_LINE_REST);
        EXPECT_LE(RowMeshBuilds - built, 1) << "only the blank row that came in is new";
        destroyHeadlessContext();
    }
}

// Row a's baseline starts at page coordinates (-15, 9.1 + scrollOffset -
// 0.75 a), the glyphs at 0.75 of their size, on a page tilted back by 40
// degrees and 16 units out. Each H of a page of "H  H  H ..." on every
// other row covers just the window rectangle its corners project to.
TEST(PerspectivePicture, GlyphsLandWhereTheTiltedPageLaysThemOut)
{
    for (const Size& size : SIZES) {
        startContext(size);
        std::memset(Starfield, 0, sizeof Starfield);   // at the eye: clipped
        for (int a = 0; a < 26; a += 2)
            for (int k = 0; k < SCREEN_COLUMNS; k += 3)
                ScreenBuffer[(TOP_LINE_REST + a) * SCREEN_COLUMNS + k] = 'H';
        renderFrame(VIEW_PERSPECTIVE);
        const std::vector<unsigned char> pixels = readFrame(size);

        // The font's own advance of an H and two spaces, from its lists.
        GLfloat m[16];
        glLoadIdentity();
        glListBase(FontBase);
        glCallLists(3, GL_UNSIGNED_BYTE, "H  ");
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        const float* box = GlyphMeshes['H'].box;
        ASSERT_GT(box[3] - box[1], 0.5f) << "an H of the font";

        const double tilt = 40 * std::acos(-1.0) / 180, f = std::sqrt(3.0);
        int checked = 0;
        for (int a = 0; a < 26; a += 2)
            for (int k = 0; k < SCREEN_COLUMNS; k += 3) {
                const double pen = k / 3 * m[12];
                double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9, fog = 1;
                for (int corner = 0; corner < 4; ++corner) {
                    const double px = -15 + 0.75 * (pen + box[corner & 1 ? 2 : 0]);
                    const double py = 9.1 + scrollOffset - 0.75 * a + 0.75 * box[corner & 2 ? 3 : 1];
                    const double z = -16 - py * std::sin(tilt);
                    const double wx = size.width / 2.0 * (1 + f * px * size.height / size.width / -z);
                    const double wy = size.height / 2.0 * (1 + f * py * std::cos(tilt) / -z);
                    x0 = std::min(x0, wx), x1 = std::max(x1, wx), y0 = std::min(y0, wy), y1 = std::max(y1, wy);
                    fog = std::min(fog, (22 + z) / 5);
                }
                if (x0 < 4 || y0 < 4 || x1 > size.width - 5 || y1 > size.height - 5 || fog < 0.2)
                    continue;
                // The lit pixels within three pixels of that rectangle.
                int lx0 = 1 << 30, ly0 = 1 << 30, lx1 = -1, ly1 = -1;
                for (int y = int(y0) - 3; y <= int(y1) + 3; ++y)
                    for (int x = int(x0) - 3; x <= int(x1) + 3; ++x)
                        if (pixels[(size_t(y) * size.width + x) * 4 + 1] > 0)
                            lx0 = std::min(lx0, x), lx1 = std::max(lx1, x), ly0 = std::min(ly0, y), ly1 = std::max(ly1, y);
                EXPECT_TRUE(std::abs(lx0 - x0) <= 1.5 && std::abs(lx1 + 1 - x1) <= 1.5 && std::abs(ly0 - y0) <= 1.5 &&
                            std::abs(ly1 + 1 - y1) <= 1.5)
                    << size.width << ", row " << a << " column " << k << ": lit " << lx0 << ".." << lx1 + 1 << " x "
                    << ly0 << ".." << ly1 + 1 << ", expected " << x0 << ".." << x1 << " x " << y0 << ".." << y1;
                ++checked;
            }
        EXPECT_GE(checked, 100) << size.width << " x " << size.height;
        destroyHeadlessContext();
    }
}

} // namespace
