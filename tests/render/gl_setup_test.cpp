// The fixed OpenGL state and the textures built at start-up, on a headless
// context.
#include "render/bitmap.h"
#include "render/bitmap_embedded.h"
#include "render/gl_setup.h"
#include "render/rain.h"
#include "tests/render/bmp_builder.h"
#include "tests/render/egl_context.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

const int CONTEXT_WIDTH = 320, CONTEXT_HEIGHT = 200;

std::vector<float> getFloats(GLenum name, int count)
{
    std::vector<float> values(16, -123.0f);
    glGetFloatv(name, values.data());
    values.resize(count);
    return values;
}

std::vector<float> getLight(GLenum name)
{
    std::vector<float> values(4, -123.0f);
    glGetLightfv(GL_LIGHT0, name, values.data());
    return values;
}

GLint getInteger(GLenum name)
{
    GLint value = -123;
    glGetIntegerv(name, &value);
    return value;
}

// What gluPerspective(60, aspect, 1, 200) loads, column-major.
std::vector<float> expectedProjection(double aspect)
{
    const double f = 1.0 / std::tan(30.0 * M_PI / 180.0);
    std::vector<float> m(16, 0.0f);
    m[0] = static_cast<float>(f / aspect);
    m[5] = static_cast<float>(f);
    m[10] = static_cast<float>((200.0 + 1.0) / (1.0 - 200.0));
    m[11] = -1.0f;
    m[14] = static_cast<float>(2.0 * 200.0 * 1.0 / (1.0 - 200.0));
    return m;
}

void expectMatrixNear(const std::vector<float>& actual, const std::vector<float>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-5 * (1.0 + std::fabs(expected[i]))) << "element " << i;
}

std::vector<unsigned char> textureImage(GLuint texture, int width, int height)
{
    std::vector<unsigned char> texels(static_cast<size_t>(width) * height * 4, 0x5A);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

void expectTextureShape(GLuint texture, int width, int height)
{
    ASSERT_NE(texture, 0u);
    ASSERT_TRUE(glIsTexture(texture));
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &value);
    EXPECT_EQ(value, width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &value);
    EXPECT_EQ(value, height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &value);
    EXPECT_EQ(value, GL_RGBA);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &value);
    EXPECT_EQ(value, 0) << "no mipmap levels";
    const struct { GLenum name; GLint value; } parameters[] = {
        {GL_TEXTURE_WRAP_S, GL_CLAMP}, {GL_TEXTURE_WRAP_T, GL_CLAMP},
        {GL_TEXTURE_MAG_FILTER, GL_LINEAR}, {GL_TEXTURE_MIN_FILTER, GL_LINEAR},
    };
    for (const auto& p : parameters) {
        glGetTexParameteriv(GL_TEXTURE_2D, p.name, &value);
        EXPECT_EQ(value, p.value) << "parameter 0x" << std::hex << p.name;
    }
}

} // namespace

class GlSetup : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(createHeadlessContext(CONTEXT_WIDTH, CONTEXT_HEIGHT));
        const auto start = std::chrono::steady_clock::now();
        initGL(640, 480);
        glFinish();
        const auto end = std::chrono::steady_clock::now();
        std::printf("initGL: %.2f ms\n",
                    std::chrono::duration<double, std::milli>(end - start).count());
    }
    static void TearDownTestSuite() { destroyHeadlessContext(); }
};

TEST_F(GlSetup, FixedStateAfterInit)
{
    struct Enabled { const char* what; GLenum cap; bool on; };
    const Enabled enables[] = {
        {"depth test", GL_DEPTH_TEST, true}, {"lighting", GL_LIGHTING, true},
        {"light 0", GL_LIGHT0, true}, {"fog", GL_FOG, true},
        {"colour material", GL_COLOR_MATERIAL, true}, {"2D texturing", GL_TEXTURE_2D, false},
        {"blending", GL_BLEND, false}, {"face culling", GL_CULL_FACE, false},
    };
    for (const Enabled& e : enables)
        EXPECT_EQ(glIsEnabled(e.cap) == GL_TRUE, e.on) << e.what;

    struct Integer { const char* what; GLenum name; GLint value; };
    const Integer integers[] = {
        {"depth function", GL_DEPTH_FUNC, GL_LEQUAL},
        {"shading", GL_SHADE_MODEL, GL_SMOOTH},
        {"matrix mode", GL_MATRIX_MODE, GL_MODELVIEW},
        {"fog mode", GL_FOG_MODE, GL_LINEAR},
        {"fog hint", GL_FOG_HINT, GL_DONT_CARE},
        {"colour material face", GL_COLOR_MATERIAL_FACE, GL_FRONT_AND_BACK},
        {"colour material parameter", GL_COLOR_MATERIAL_PARAMETER, GL_AMBIENT_AND_DIFFUSE},
    };
    for (const Integer& i : integers)
        EXPECT_EQ(getInteger(i.name), i.value) << i.what;

    struct Floats { const char* what; std::vector<float> actual, expected; };
    const Floats floats[] = {
        {"clear colour", getFloats(GL_COLOR_CLEAR_VALUE, 4), {0, 0, 0, 0}},
        {"clear depth", getFloats(GL_DEPTH_CLEAR_VALUE, 1), {1}},
        {"fog colour", getFloats(GL_FOG_COLOR, 4), {0, 0, 0, 1}},
        {"fog density", getFloats(GL_FOG_DENSITY, 1), {0.5f}},
        {"fog start", getFloats(GL_FOG_START, 1), {17}},
        {"fog end", getFloats(GL_FOG_END, 1), {22}},
        {"light ambient", getLight(GL_AMBIENT), {0, 0, 0, 1}},
        {"light diffuse", getLight(GL_DIFFUSE), {1, 1, 1, 1}},
        {"light specular", getLight(GL_SPECULAR), {1, 1, 1, 1}},
        {"light position (eye space)", getLight(GL_POSITION), {0, 0, 0, 1}},
        {"modelview", getFloats(GL_MODELVIEW_MATRIX, 16),
         {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
    };
    for (const Floats& f : floats)
        EXPECT_EQ(f.actual, f.expected) << f.what;
}

TEST_F(GlSetup, ProjectionIsTheSixtyDegreePerspectiveOfTheWindow)
{
    expectMatrixNear(getFloats(GL_PROJECTION_MATRIX, 16), expectedProjection(640.0 / 480.0));
}

TEST_F(GlSetup, ViewportIsLeftAlone)
{
    EXPECT_EQ(getFloats(GL_VIEWPORT, 4),
              (std::vector<float>{0, 0, CONTEXT_WIDTH, CONTEXT_HEIGHT}));
}

TEST_F(GlSetup, GlitchCharacterIsChosenAndNeverSpace)
{
    EXPECT_GE(GlitchChar, 33);
    EXPECT_LE(GlitchChar, 127);
    EXPECT_EQ(RainText[0][0], ' ');
    EXPECT_EQ(RainText[RAIN_ROWS - 1][RAIN_COLUMNS - 1], ' ');
}

TEST_F(GlSetup, PanelTexturesHoldTheirBitmaps)
{
    const struct { int width, height; } sizes[PANEL_COUNT] = {
        {128, 64}, {128, 64}, {128, 64}, {128, 32}, {128, 32},
        {256, 64}, {256, 64}, {256, 64}, {256, 32}, {256, 32},
    };
    for (int k = 0; k < PANEL_COUNT; ++k) {
        SCOPED_TRACE("panel " + std::to_string(k) + ", bitmap " + std::to_string(PanelBitmapIds[k]));
        expectTextureShape(PanelTextures[k], sizes[k].width, sizes[k].height);
        std::vector<unsigned char> bitmap(static_cast<size_t>(sizes[k].width) * sizes[k].height * 4);
        readBitmapPixels(PanelBitmapIds[k], sizes[k].width, sizes[k].height, bitmap.data());
        EXPECT_TRUE(textureImage(PanelTextures[k], sizes[k].width, sizes[k].height) == bitmap);
    }
}

TEST_F(GlSetup, GlyphTexturesAreTheCellsOfTheStrip)
{
    const int stripWidth = GLYPH_COUNT * GLYPH_WIDTH;
    std::vector<unsigned char> strip(stripWidth * GLYPH_HEIGHT * 4);
    ASSERT_TRUE(readBitmapPixels(GLYPH_STRIP_BITMAP, stripWidth, GLYPH_HEIGHT, strip.data()));
    for (int k = 0; k < GLYPH_COUNT; ++k) {
        SCOPED_TRACE("glyph " + std::to_string(k));
        expectTextureShape(GlyphTextures[k], GLYPH_WIDTH, GLYPH_HEIGHT);
        std::vector<unsigned char> cell;
        for (int y = 0; y < GLYPH_HEIGHT; ++y) {
            const auto row = strip.begin() + (y * stripWidth + k * GLYPH_WIDTH) * 4;
            cell.insert(cell.end(), row, row + GLYPH_WIDTH * 4);
        }
        EXPECT_TRUE(textureImage(GlyphTextures[k], GLYPH_WIDTH, GLYPH_HEIGHT) == cell);
    }
}

TEST_F(GlSetup, SpaceGlyphIsOpaqueBlackAndExclamationMarkIsLit)
{
    const auto space = textureImage(GlyphTextures[0], GLYPH_WIDTH, GLYPH_HEIGHT);
    for (size_t i = 0; i < space.size(); i += 4)
        ASSERT_EQ((std::vector<int>{space[i], space[i + 1], space[i + 2], space[i + 3]}),
                  (std::vector<int>{0, 0, 0, 255}))
            << "texel " << i / 4;

    const auto mark = textureImage(GlyphTextures[1], GLYPH_WIDTH, GLYPH_HEIGHT);
    int bright = 0, litRows = 0;
    for (int y = 0; y < GLYPH_HEIGHT; ++y) {
        bool lit = false;
        for (int x = 0; x < GLYPH_WIDTH; ++x) {
            const unsigned char* t = &mark[(y * GLYPH_WIDTH + x) * 4];
            EXPECT_EQ(t[3], 255);
            if (t[0] > 128 && t[1] > 128 && t[2] > 128) {
                ++bright;
                lit = true;
            }
        }
        litRows += lit;
    }
    EXPECT_GE(bright, 4);
    EXPECT_GE(litRows, 6) << "a tall mark: stroke and dot";
}

TEST_F(GlSetup, AllTextureNamesAreDistinct)
{
    std::set<GLuint> names(PanelTextures, PanelTextures + PANEL_COUNT);
    names.insert(GlyphTextures, GlyphTextures + GLYPH_COUNT);
    EXPECT_EQ(names.size(), static_cast<size_t>(PANEL_COUNT + GLYPH_COUNT));
    EXPECT_EQ(names.count(0), 0u);
}

TEST_F(GlSetup, BitmapPixelBecomesTexelBytesInOrderWithTheTopRowFirst)
{
    // Top row: the test colour, then white; bottom row: red, blue.
    const auto file = makeTrueColourBmp(2, 2, {{153, 102, 51}, {255, 255, 255}, {255, 0, 0}, {0, 0, 255}});
    std::vector<unsigned char> rgba(2 * 2 * 4);
    ASSERT_TRUE(decodeBitmap(file.data(), file.size(), 2, 2, rgba.data()));
    GLuint texture = 0;
    uploadTexture(&texture, 2, 2, rgba.data());
    ASSERT_NE(texture, 0u);
    EXPECT_EQ(static_cast<GLuint>(getInteger(GL_TEXTURE_BINDING_2D)), texture) << "left bound";
    const auto texels = textureImage(texture, 2, 2);
    EXPECT_EQ(texels, (std::vector<unsigned char>{153, 102, 51, 255, 255, 255, 255, 255,
                                                  255, 0, 0, 255, 0, 0, 255, 255}));
    glDeleteTextures(1, &texture);
}

TEST(GlResize, ViewportAndProjectionFollowTheSize)
{
    ASSERT_TRUE(createHeadlessContext(64, 64));
    initGL(640, 480);
    struct Case { int width, height, viewportHeight; };
    const Case cases[] = {{800, 600, 600}, {640, 0, 1}, {1, 1000, 1000}, {1280, 544, 544}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        glLoadIdentity();
        glTranslatef(1.0f, 2.0f, 3.0f);
        resizeGL(c.width, c.height);
        EXPECT_EQ(getFloats(GL_VIEWPORT, 4),
                  (std::vector<float>{0, 0, static_cast<float>(c.width),
                                      static_cast<float>(c.viewportHeight)}));
        expectMatrixNear(getFloats(GL_PROJECTION_MATRIX, 16),
                         expectedProjection(static_cast<double>(c.width) / c.viewportHeight));
        EXPECT_EQ(getInteger(GL_MATRIX_MODE), GL_MODELVIEW);
        EXPECT_EQ(getFloats(GL_MODELVIEW_MATRIX, 16)[14], 3.0f) << "modelview untouched";
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    destroyHeadlessContext();
}

TEST(GlTeardown, DeletionsReleaseEveryTextureAndList)
{
    ASSERT_TRUE(createHeadlessContext(64, 64));
    initGL(64, 64);
    buildFont();
    ASSERT_TRUE(glIsList(FontBase + 'A'));
    ASSERT_TRUE(glIsTexture(PanelTextures[0]));
    ASSERT_TRUE(glIsTexture(GlyphTextures[95]));
    deleteFontLists();
    deleteGlyphTextures();
    deletePanelTextures();
    for (int n = 0; n < FONT_LIST_COUNT; ++n)
        EXPECT_FALSE(glIsList(FontBase + n)) << "list " << n;
    for (GLuint texture : PanelTextures)
        EXPECT_FALSE(glIsTexture(texture));
    for (GLuint texture : GlyphTextures)
        EXPECT_FALSE(glIsTexture(texture));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    destroyHeadlessContext();
}
