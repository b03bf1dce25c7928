// The outline-font display lists, measured through feedback mode on a
// headless context.
#include "render/gl_setup.h"
#include "tests/render/egl_context.h"
#include "tests/render/gl_trace.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int VIEW_SIZE = 256;
// glOrtho(-1, 3, -1, 3): one em is 64 pixels, the origin at (64, 64).
const double EM_PIXELS = VIEW_SIZE / 4.0;

struct Point { double x, y, z; };

struct GlyphShape {
    std::vector<Point> triangleVertices;   // em units, three per triangle
    int polygons = 0;
    int otherTokens = 0;
    double area = 0.0;                     // sum of signed areas, em^2
    double smallestArea = 0.0;             // most negative triangle
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    double advance = 0.0;                  // x translation left by the list
    bool moved = false;                    // any other change of the modelview
};

std::vector<GLfloat> FeedbackBuffer(1 << 20);

std::string name(int code)
{
    char text[16];
    std::snprintf(text, sizeof text, "code %d", code);
    return text;
}

// Runs `draw` in feedback mode and collects its polygons, in em units.
template <typename Draw>
GlyphShape measure(Draw draw)
{
    GlyphShape shape;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glFeedbackBuffer(static_cast<GLsizei>(FeedbackBuffer.size()), GL_3D, FeedbackBuffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint count = glRenderMode(GL_RENDER);
    EXPECT_GE(count, 0) << "feedback buffer overflow";

    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    shape.advance = m[12];
    for (int i = 0; i < 16; ++i)
        if (i != 12 && m[i] != (i % 5 == 0 ? 1.0f : 0.0f))
            shape.moved = true;

    for (GLint i = 0; i < count;) {
        const GLint token = static_cast<GLint>(FeedbackBuffer[i++]);
        if (token == GL_POLYGON_TOKEN) {
            const int n = static_cast<int>(FeedbackBuffer[i++]);
            ++shape.polygons;
            std::vector<Point> polygon;
            for (int v = 0; v < n; ++v, i += 3) {
                const Point p = {FeedbackBuffer[i] / EM_PIXELS - 1.0,
                                 FeedbackBuffer[i + 1] / EM_PIXELS - 1.0, FeedbackBuffer[i + 2]};
                polygon.push_back(p);
                shape.minX = std::min(shape.minX, p.x);
                shape.maxX = std::max(shape.maxX, p.x);
                shape.minY = std::min(shape.minY, p.y);
                shape.maxY = std::max(shape.maxY, p.y);
            }
            double area = 0.0;
            for (int v = 0; v < n; ++v) {
                const Point& a = polygon[v];
                const Point& b = polygon[(v + 1) % n];
                area += a.x * b.y - b.x * a.y;
            }
            area *= 0.5;
            shape.area += area;
            shape.smallestArea = std::min(shape.smallestArea, area);
            shape.triangleVertices.insert(shape.triangleVertices.end(), polygon.begin(), polygon.end());
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            i += 1;
            ++shape.otherTokens;
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            i += 6;
            ++shape.otherTokens;
        } else {
            i += 3;   // point, bitmap and pixel tokens: one vertex
            ++shape.otherTokens;
        }
    }
    return shape;
}

GlyphShape glyph(int code)
{
    return measure([code] { glCallList(FontBase + code); });
}

} // namespace

class Font : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(createHeadlessContext(VIEW_SIZE, VIEW_SIZE));
        glViewport(0, 0, VIEW_SIZE, VIEW_SIZE);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1.0, 3.0, -1.0, 3.0, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);

        TracedBegins.clear();
        TracedLists.clear();
        GlTraceOn = true;
        const auto start = std::chrono::steady_clock::now();
        buildFont();
        glFinish();
        const auto end = std::chrono::steady_clock::now();
        GlTraceOn = false;
        std::printf("buildFont: %.2f ms\n",
                    std::chrono::duration<double, std::milli>(end - start).count());
        for (int code = 0; code < FONT_LIST_COUNT; ++code)
            Shapes[code] = glyph(code);
    }
    static void TearDownTestSuite()
    {
        deleteFontLists();
        destroyHeadlessContext();
    }
    static GlyphShape Shapes[FONT_LIST_COUNT];
};

GlyphShape Font::Shapes[FONT_LIST_COUNT];

TEST_F(Font, EachListIsOneBatchOfTriangles)
{
    ASSERT_NE(FontBase, 0u);
    for (int code = 0; code < FONT_LIST_COUNT; ++code) {
        const unsigned list = FontBase + code;
        const long compiled = std::count(TracedLists.begin(), TracedLists.end(), list);
        EXPECT_EQ(compiled, code == 255 ? 0 : 1) << name(code);
        int batches = 0;
        for (const TracedBegin& b : TracedBegins)
            if (b.list == list) {
                ++batches;
                EXPECT_EQ(b.mode, static_cast<unsigned>(GL_TRIANGLES)) << name(code);
            }
        EXPECT_LE(batches, 1) << name(code);
        EXPECT_EQ(batches > 0, Shapes[code].polygons > 0) << name(code);
    }
    for (const TracedBegin& b : TracedBegins)
        EXPECT_NE(b.list, 0u) << "drawing outside a list while building the font";
}

TEST_F(Font, GlyphsAreFlatTrianglesFacingTheViewer)
{
    // Back faces are culled when rows are drawn, so every triangle must run
    // counter-clockwise as seen from +z; and all of them lie at z = 0.
    for (int code = 0; code < 255; ++code) {
        const GlyphShape& s = Shapes[code];
        EXPECT_EQ(s.otherTokens, 0) << name(code);
        EXPECT_EQ(s.triangleVertices.size(), static_cast<size_t>(s.polygons) * 3) << name(code);
        EXPECT_GE(s.smallestArea, -1e-9) << name(code);
        for (const Point& p : s.triangleVertices)
            ASSERT_NEAR(p.z, 0.5, 1e-6) << name(code);
    }
    glEnable(GL_CULL_FACE);
    const GlyphShape culled = glyph('B');
    glDisable(GL_CULL_FACE);
    EXPECT_NEAR(culled.area, Shapes['B'].area, 1e-9);
}

TEST_F(Font, ListsEndWithTheAdvanceOnly)
{
    for (int code = 0; code < 255; ++code) {
        EXPECT_FALSE(Shapes[code].moved) << name(code);
        EXPECT_GT(Shapes[code].advance, 0.1) << name(code);
        EXPECT_LT(Shapes[code].advance, 1.2) << name(code);
    }
    EXPECT_GT(Shapes['W'].advance, 2.0 * Shapes['i'].advance);
    EXPECT_GT(Shapes['m'].advance, Shapes['n'].advance);
    EXPECT_EQ(Shapes['0'].advance, Shapes['9'].advance) << "figures share one width";
}

TEST_F(Font, LastListDrawsNothingAndStaysPut)
{
    EXPECT_EQ(Shapes[255].polygons, 0);
    EXPECT_EQ(Shapes[255].otherTokens, 0);
    EXPECT_EQ(Shapes[255].advance, 0.0);
    EXPECT_FALSE(Shapes[255].moved);
}

TEST_F(Font, VisibleCharactersDrawAndSpacesDoNot)
{
    for (int code = 0; code < 255; ++code) {
        if (code == ' ' || code == 0xA0)
            EXPECT_EQ(Shapes[code].polygons, 0) << name(code);
        else
            EXPECT_GT(Shapes[code].area, 0.005) << name(code);
    }
    EXPECT_GT(Shapes[0xDF].area, Shapes['i'].area) << "sharp s";
}

TEST_F(Font, GlyphsSitOnTheBaselineInEmUnits)
{
    const GlyphShape& h = Shapes['H'];
    EXPECT_NEAR(h.minY, 0.0, 0.01);
    EXPECT_GT(h.maxY, 0.6);
    EXPECT_LT(h.maxY, 0.8);
    EXPECT_GE(h.minX, 0.0);
    EXPECT_LE(h.maxX, h.advance);
    EXPECT_LT(Shapes['g'].minY, -0.1) << "descender";
    EXPECT_LT(Shapes['_'].maxY, 0.0) << "underscore below the baseline";
    EXPECT_GT(Shapes[0xC9].maxY, Shapes['E'].maxY + 0.05) << "E acute carries its accent";
    EXPECT_GT(Shapes[0xDF].maxY, Shapes['x'].maxY + 0.1) << "sharp s has an ascender";
}

TEST_F(Font, CharactersWithoutAGlyphShowTheEmptyBox)
{
    // Control codes and the unassigned Windows-1252 codes draw the font's
    // box; the euro sign (0x80) is a real glyph.
    const GlyphShape& box = Shapes[0];
    EXPECT_LT(box.area, (box.maxX - box.minX) * (box.maxY - box.minY) * 0.9) << "hollow";
    for (int code : {1, 9, 10, 13, 27, 31, 127, 0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_NEAR(Shapes[code].area, box.area, 1e-9) << name(code);
        EXPECT_EQ(Shapes[code].advance, box.advance) << name(code);
    }
    EXPECT_GT(std::fabs(Shapes[0x80].area - box.area), 1e-4) << "euro sign";
}

TEST_F(Font, RowOfTextAdvancesByTheSumOfItsCharacters)
{
    unsigned char row[80];
    double expected = 0.0;
    for (int i = 0; i < 80; ++i) {
        row[i] = static_cast<unsigned char>(i < 60 ? 'A' + i % 40 : 0xC0 + i);
        if (i == 70)
            row[i] = 255;
        expected += Shapes[row[i]].advance;
    }
    const GlyphShape line = measure([&row] {
        glListBase(FontBase);
        glCallLists(80, GL_UNSIGNED_BYTE, row);
        glListBase(0);
    });
    EXPECT_NEAR(line.advance, expected, 1e-4);
}

TEST_F(Font, SelectionModeHitsEveryVisibleGlyph)
{
    static GLuint hits[4 * FONT_LIST_COUNT];
    glSelectBuffer(4 * FONT_LIST_COUNT, hits);
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(0);
    for (int code = 0; code < FONT_LIST_COUNT; ++code) {
        glLoadName(code);
        glLoadIdentity();
        glCallList(FontBase + code);
    }
    const GLint count = glRenderMode(GL_RENDER);
    int visible = 0;
    for (const GlyphShape& s : Shapes)
        visible += s.polygons > 0;
    EXPECT_EQ(count, visible);
}
