// On a headless context: the fixed OpenGL state and the textures built by
// initGL, resizeGL, and the outline-font display lists, measured in feedback
// mode (glOrtho(-1, 3) over 256 pixels: one em is 64 pixels, origin at 64, 64).
#include "render/bitmap.h"
#include "render/bitmap_embedded.h"
#include "render/gl_setup.h"
#include "render/rain.h"
#include "resources/resource.h"
#include "tests/render/egl_context.h"

#include <GL/gl.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <set>
#include <vector>

namespace {

std::vector<float> get(GLenum name, int count = 1)
{
    std::vector<float> values(16, -123.0f);
    glGetFloatv(name, values.data());
    values.resize(count);
    return values;
}

// What gluPerspective(60, aspect, 1, 200) loads, column-major.
std::vector<float> perspective(double aspect)
{
    const float f = std::sqrt(3.0f);
    return {float(f / aspect), 0, 0, 0, 0, f, 0, 0, 0, 0, -201.0f / 199, -1, 0, 0, -400.0f / 199, 0};
}

void expectNear(const std::vector<float>& actual, const std::vector<float>& expected, const char* what)
{
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-5 * (1.0 + std::fabs(expected[i]))) << what << " [" << i << "]";
}

// A texture's texels, or nothing if it is not width x height.
std::vector<unsigned char> texels(GLuint texture, int width, int height)
{
    GLint w = 0, h = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    if (!glIsTexture(texture) || w != width || h != height)
        return {};
    std::vector<unsigned char> bytes(static_cast<size_t>(w) * h * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
}

// The pixels of a built-in bitmap, after checking that it is there at this size.
std::vector<unsigned char> bitmap(int id, int width, int height)
{
    const auto* end = EmbeddedBitmaps + EmbeddedBitmapCount;
    const auto* found = std::find_if(EmbeddedBitmaps, end, [id](const EmbeddedBitmap& b) { return b.id == id; });
    int32_t size[2] = {0, 0};   // width and height in the info header
    if (found != end && found->size >= 26)
        std::memcpy(size, found->data + 18, sizeof size);
    EXPECT_EQ(size[0], width) << "bitmap " << id;
    EXPECT_EQ(std::abs(size[1]), height) << "bitmap " << id;
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
    EXPECT_TRUE(readBitmapPixels(id, width, height, rgba.data()));
    EXPECT_LT(std::count(rgba.begin(), rgba.end(), 0), long(rgba.size() * 3 / 4)) << "bitmap " << id << " is black";
    return rgba;
}

// The font lists: what glBegin saw while they were built, and what each
// draws in feedback mode.
std::vector<unsigned> BeginModes;
bool Tracing = false;

struct Shape {
    int polygons = 0, others = 0;   // others: feedback values that are not polygons
    double area = 0, smallestArea = 0, minY = 9, maxY = -9, advance = 0;   // em units
    bool moved = false;             // more than the advance along x
};

Shape measure(int code)
{
    static GLfloat buffer[1 << 17];
    Shape s;
    glLoadIdentity();
    glFeedbackBuffer(1 << 17, GL_3D, buffer);
    glRenderMode(GL_FEEDBACK);
    glCallList(FontBase + code);
    const GLint count = glRenderMode(GL_RENDER);
    EXPECT_GE(count, 0) << "feedback overflow, code " << code;
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    s.advance = m[12];
    for (int i = 0; i < 16; ++i)
        s.moved |= i != 12 && m[i] != (i % 5 == 0 ? 1.0f : 0.0f);
    GLint i = 0;
    for (int n = 0; i < count && buffer[i] == GL_POLYGON_TOKEN; i += 2 + 3 * n) {
        n = static_cast<int>(buffer[i + 1]);
        double area = 0;
        for (int k = 0; k < n; ++k) {
            const GLfloat *a = buffer + i + 2 + 3 * k, *b = buffer + i + 2 + 3 * ((k + 1) % n);
            area += (a[0] * b[1] - b[0] * a[1]) / (2.0 * 64 * 64);
            s.minY = std::min(s.minY, a[1] / 64.0 - 1);
            s.maxY = std::max(s.maxY, a[1] / 64.0 - 1);
        }
        ++s.polygons;
        s.area += area;
        s.smallestArea = std::min(s.smallestArea, area);
    }
    s.others = count - i;
    return s;
}

} // namespace

class GlSetup : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(createHeadlessContext(320, 200));
        initGL(640, 480);
    }
    static void TearDownTestSuite() { destroyHeadlessContext(); }
};

TEST_F(GlSetup, FixedStateAfterInit)
{
    GLfloat light[4] = {-1, -1, -1, -1};
    glGetLightfv(GL_LIGHT0, GL_POSITION, light);
    const struct { const char* what; std::vector<float> actual, expected; } checks[] = {
        {"enabled: depth test, lighting, light 0, fog, colour material, 2D texturing",
         {float(glIsEnabled(GL_DEPTH_TEST)), float(glIsEnabled(GL_LIGHTING)), float(glIsEnabled(GL_LIGHT0)),
          float(glIsEnabled(GL_FOG)), float(glIsEnabled(GL_COLOR_MATERIAL)), float(glIsEnabled(GL_TEXTURE_2D))},
         {1, 1, 1, 1, 1, 0}},
        {"depth function, matrix mode", {get(GL_DEPTH_FUNC)[0], get(GL_MATRIX_MODE)[0]}, {GL_LEQUAL, GL_MODELVIEW}},
        {"fog mode, start, end", {get(GL_FOG_MODE)[0], get(GL_FOG_START)[0], get(GL_FOG_END)[0]}, {GL_LINEAR, 17, 22}},
        {"colour material", {get(GL_COLOR_MATERIAL_FACE)[0], get(GL_COLOR_MATERIAL_PARAMETER)[0]},
         {GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE}},
        {"light position, eye space", {light[0], light[1], light[2], light[3]}, {0, 0, 0, 1}},
        {"projection", get(GL_PROJECTION_MATRIX, 16), perspective(640.0 / 480.0)},
    };
    for (const auto& c : checks)
        expectNear(c.actual, c.expected, c.what);
    // The rain grid is reset and a glitch character other than the space chosen.
    EXPECT_EQ(RainText[0][0], ' ');
    EXPECT_TRUE(GlitchChar > 32 && GlitchChar <= 127) << GlitchChar;
}

TEST_F(GlSetup, TexturesHoldTheirBitmapsInOrderWithTheTopRowFirst)
{
    const int panels[PANEL_COUNT][3] = {
        {109, 128, 64}, {108, 128, 64}, {110, 128, 64}, {117, 128, 32}, {112, 128, 32},
        {115, 256, 64}, {114, 256, 64}, {111, 256, 64}, {116, 256, 32}, {113, 256, 32},
    };
    for (int k = 0; k < PANEL_COUNT; ++k) {
        const auto [id, width, height] = panels[k];
        EXPECT_TRUE(texels(PanelTextures[k], width, height) == bitmap(id, width, height)) << "panel " << k;
    }
    const int stripWidth = GLYPH_COUNT * GLYPH_WIDTH;
    const auto strip = bitmap(IDB_GLYPHS, stripWidth, GLYPH_HEIGHT);
    for (int k = 0; k < GLYPH_COUNT; ++k) {
        std::vector<unsigned char> cell;
        for (int y = 0; y < GLYPH_HEIGHT; ++y) {
            const auto row = strip.begin() + (y * stripWidth + k * GLYPH_WIDTH) * 4;
            cell.insert(cell.end(), row, row + GLYPH_WIDTH * 4);
        }
        EXPECT_TRUE(texels(GlyphTextures[k], GLYPH_WIDTH, GLYPH_HEIGHT) == cell) << "glyph " << k;
    }
    // Glyph 0, the space, is opaque black; glyph 1 is "!", a stroke and a dot.
    const auto space = texels(GlyphTextures[0], GLYPH_WIDTH, GLYPH_HEIGHT);
    for (size_t i = 0; i < space.size(); ++i)
        ASSERT_EQ(space[i], i % 4 == 3 ? 255 : 0) << "texel " << i / 4;
    const auto mark = texels(GlyphTextures[1], GLYPH_WIDTH, GLYPH_HEIGHT);
    std::set<size_t> litRows;
    for (size_t i = 0; i < mark.size(); i += 4)
        if (mark[i] > 128)
            litRows.insert(i / (4 * GLYPH_WIDTH));
    EXPECT_GE(litRows.size(), 6u);

    // Row 0, the bitmap's top row as the reader delivers it: 153, 102, 51
    // and white; row 1: red and blue.
    const std::vector<unsigned char> rgba = {153, 102, 51, 255, 255, 255, 255, 255, 255, 0, 0, 255, 0, 0, 255, 255};
    GLuint texture = 0;
    uploadTexture(&texture, 2, 2, rgba.data());
    EXPECT_EQ(texels(texture, 2, 2), rgba);
    GLint minFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(minFilter, GL_LINEAR) << "a mipmap filter leaves a texture without mipmaps unusable";
}

TEST(GlResize, ViewportAndProjectionFollowTheSizeEvenAtHeightZero)
{
    ASSERT_TRUE(createHeadlessContext(64, 64));
    initGL(640, 480);
    for (const auto& [width, height, shownHeight] : {std::array{800, 600, 600}, std::array{640, 0, 1}}) {
        glLoadIdentity();
        glTranslatef(0.0f, 0.0f, 3.0f);
        resizeGL(width, height);
        expectNear(get(GL_VIEWPORT, 4), {0, 0, float(width), float(shownHeight)}, "viewport");
        expectNear(get(GL_PROJECTION_MATRIX, 16), perspective(double(width) / shownHeight), "projection");
        EXPECT_EQ(get(GL_MATRIX_MODE)[0], GL_MODELVIEW);
        EXPECT_EQ(get(GL_MODELVIEW_MATRIX, 16)[14], 3.0f) << "modelview untouched";
    }
    destroyHeadlessContext();
}

// This program's glBegin stands in front of the GL library's.
extern "C" void glBegin(GLenum mode)
{
    static auto real = reinterpret_cast<void (*)(GLenum)>(dlsym(RTLD_NEXT, "glBegin"));
    if (Tracing)
        BeginModes.push_back(mode);
    real(mode);
}

TEST(Font, EachCharacterIsOneBatchOfTrianglesFacingTheViewerThenItsAdvance)
{
    ASSERT_TRUE(createHeadlessContext(256, 256));
    glMatrixMode(GL_PROJECTION);
    glOrtho(-1.0, 3.0, -1.0, 3.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    Tracing = true;
    buildFont();
    Tracing = false;
    static Shape Shapes[FONT_LIST_COUNT];
    for (int code = 0; code < FONT_LIST_COUNT; ++code)
        Shapes[code] = measure(code);
    long drawn = 0;
    for (int code = 0; code < 255; ++code) {
        const Shape& s = Shapes[code];
        drawn += s.polygons > 0;
        EXPECT_EQ(s.others, 0) << code;
        EXPECT_GE(s.smallestArea, -1e-9) << code << ": clockwise triangles, culled when rows are drawn";
        EXPECT_TRUE(s.advance > 0.1 && s.advance < 1.2 && !s.moved) << code << ": advance " << s.advance;
        if (code == ' ' || code == 0xA0)
            EXPECT_EQ(s.polygons, 0) << code;
        else
            EXPECT_GT(s.area, 0.005) << code;
    }
    EXPECT_EQ(long(BeginModes.size()), drawn) << "glBegin outside the lists, or more than one per list";
    EXPECT_EQ(std::count(BeginModes.begin(), BeginModes.end(), GL_TRIANGLES), drawn);
    const Shape& last = Shapes[255];
    EXPECT_TRUE(last.polygons + last.others == 0 && last.advance == 0.0 && !last.moved) << "list 255 is empty";
    // Glyphs stand on the baseline, in em units.
    EXPECT_GT(Shapes['W'].advance, 2.0 * Shapes['i'].advance);
    EXPECT_NEAR(Shapes['H'].minY, 0.0, 0.01);
    EXPECT_NEAR(Shapes['H'].maxY, 0.7, 0.1);
    EXPECT_LT(Shapes['g'].minY, -0.1);
    // 0xDF is the sharp s, with an ascender; the euro sign (0x80) is a glyph
    // too, while control codes and unassigned codes draw the font's box.
    EXPECT_GT(Shapes[0xDF].area, Shapes['i'].area);
    EXPECT_GT(Shapes[0xDF].maxY, Shapes['x'].maxY + 0.1);
    EXPECT_GT(std::fabs(Shapes[0x80].area - Shapes[0].area), 1e-4);
    for (int code : {1, 10, 27, 127, 0x81, 0x9D})
        EXPECT_NEAR(Shapes[code].area, Shapes[0].area, 1e-9) << code;
    destroyHeadlessContext();
}
