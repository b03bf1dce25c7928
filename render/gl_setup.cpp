// Fixed OpenGL state and the shared resources: panel textures, glyph
// textures and the outline-font display lists.
#include "gl_setup.h"

#include "bitmap.h"
#include "font.h"
#include "page_image.h"
#include "rain.h"
#include "resources/resource.h"

#include <GL/gl.h>
#include <GL/glu.h>

// The steps of initGL and setUpGraphics, and the upload every texture takes.
static void setupLighting();
static void setupFog();
static void loadPanelTextures();
static void loadBitmapTexture(int index, int width, int height);
static void buildGlyphTextures();
static void buildFont();
static void deleteFontLists();
static void uploadTexture(uint32_t* slot, int width, int height, const unsigned char* rgba);

uint32_t PanelTextures[PANEL_COUNT];
// Each picture's bitmap and size, by its index.
const PanelPicture PanelPictures[PANEL_COUNT] = {
    {IDB_DISPLAY_MODE, 128, 64}, {IDB_WINDOW_MODE, 128, 64}, {IDB_HOST_ADDRESS, 128, 64},
    {IDB_CONNECT, 128, 32},      {IDB_QUIT, 128, 32},        {IDB_BANNER, 256, 64},
    {IDB_PERSPECTIVE, 256, 64},  {IDB_RAIN_LOGO, 256, 64},   {IDB_WIDESCREEN, 256, 32},
    {IDB_STANDARD, 256, 32},
};
uint32_t GlyphTextures[GLYPH_COUNT];
const float FogColour[4] = {0.0f, 0.0f, 0.0f, 1.0f};
uint32_t FontBase;
uint32_t GlyphAtlas;
GlyphAtlasCell GlyphAtlasCells[GLYPH_COUNT];

namespace {

enum {
    STRIP_WIDTH = GLYPH_COUNT * GLYPH_WIDTH,
    PANEL_MAX_WIDTH = 256, PANEL_MAX_HEIGHT = 64,
    // Atlas cells are 16 x 32 texels, 32 to a row: the glyph at (1, 1) in
    // its cell, so that every texture coordinate is an exact binary fraction.
    ATLAS_CELL_WIDTH = 16, ATLAS_CELL_HEIGHT = 32, ATLAS_COLUMNS = 32,
    ATLAS_WIDTH = ATLAS_CELL_WIDTH * ATLAS_COLUMNS, ATLAS_HEIGHT = 128,
};
static_assert((GLYPH_COUNT + ATLAS_COLUMNS - 1) / ATLAS_COLUMNS * ATLAS_CELL_HEIGHT <= ATLAS_HEIGHT,
              "the atlas holds every glyph");

// Start-up pixel buffers, large enough for the biggest panel and the strip.
unsigned char PanelPixels[PANEL_MAX_WIDTH * PANEL_MAX_HEIGHT * 4];
unsigned char StripPixels[STRIP_WIDTH * GLYPH_HEIGHT * 4];
unsigned char CellPixels[GLYPH_WIDTH * GLYPH_HEIGHT * 4];
unsigned char AtlasPixels[ATLAS_WIDTH * ATLAS_HEIGHT * 4];

bool blackTexel(int glyph, int x, int y)
{
    const unsigned char* texel = StripPixels + (y * STRIP_WIDTH + glyph * GLYPH_WIDTH + x) * 4;
    return texel[0] == 0 && texel[1] == 0 && texel[2] == 0;
}

// A pixel of a glyph quad blends the two texel columns and two rows nearest
// to its sample point; it stays black unless one of them is not. So nothing
// but black lies more than half a texel outside the non-black texels.
void findInk(int glyph, GlyphAtlasCell* cell)
{
    int left = GLYPH_WIDTH, right = -1, top = GLYPH_HEIGHT, bottom = -1;
    for (int y = 0; y < GLYPH_HEIGHT; ++y) {
        for (int x = 0; x < GLYPH_WIDTH; ++x) {
            if (blackTexel(glyph, x, y))
                continue;
            left = x < left ? x : left;
            right = x > right ? x : right;
            top = y < top ? y : top;
            bottom = y > bottom ? y : bottom;
        }
    }
    if (right < 0) {
        cell->inkLeft = cell->inkRight = cell->inkTop = cell->inkBottom = 0.0f;
        return;
    }
    // In half texels, within the quad; exact binary fractions.
    auto fraction = [](int halfTexels, int size) {
        int clamped = halfTexels < 0 ? 0 : halfTexels > 2 * size ? 2 * size : halfTexels;
        return static_cast<float>(clamped) / static_cast<float>(2 * size);
    };
    cell->inkLeft = fraction(2 * left - 1, GLYPH_WIDTH);
    cell->inkRight = fraction(2 * right + 3, GLYPH_WIDTH);
    cell->inkTop = fraction(2 * top - 1, GLYPH_HEIGHT);
    cell->inkBottom = fraction(2 * bottom + 3, GLYPH_HEIGHT);
}

void buildGlyphAtlas()
{
    for (unsigned char& byte : AtlasPixels)
        byte = 0;
    for (int k = 0; k < GLYPH_COUNT; ++k) {
        int x0 = k % ATLAS_COLUMNS * ATLAS_CELL_WIDTH + 1;
        int y0 = k / ATLAS_COLUMNS * ATLAS_CELL_HEIGHT + 1;
        for (int y = 0; y < GLYPH_HEIGHT; ++y) {
            const unsigned char* in = StripPixels + (y * STRIP_WIDTH + k * GLYPH_WIDTH) * 4;
            unsigned char* out = AtlasPixels + ((y0 + y) * ATLAS_WIDTH + x0) * 4;
            for (int i = 0; i < GLYPH_WIDTH * 4; ++i)
                out[i] = in[i];
        }
        GlyphAtlasCell& cell = GlyphAtlasCells[k];
        findInk(k, &cell);
        cell.left = static_cast<float>(x0) / ATLAS_WIDTH;
        cell.right = static_cast<float>(x0 + GLYPH_WIDTH) / ATLAS_WIDTH;
        cell.top = static_cast<float>(y0) / ATLAS_HEIGHT;
        cell.bottom = static_cast<float>(y0 + GLYPH_HEIGHT) / ATLAS_HEIGHT;
    }
    uploadTexture(&GlyphAtlas, ATLAS_WIDTH, ATLAS_HEIGHT, AtlasPixels);
    // No quad reaches past its cell's ring, so the wrap mode never shows;
    // repeating (rather than clamping against a border colour) lets a
    // software renderer filter the texture in 8-bit arithmetic.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
}

void setProjection(int width, int height)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, static_cast<double>(width) / static_cast<double>(height), 1.0, 200.0);
    glMatrixMode(GL_MODELVIEW);
}

} // namespace

static void uploadTexture(uint32_t* slot, int width, int height, const unsigned char* rgba)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    GLuint name = 0;
    glGenTextures(1, &name);
    *slot = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

void initGL(int width, int height)
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    setProjection(width, height);
    setupLighting();
    setupFog();
    glEnable(GL_FOG);
    buildGlyphTextures();
    loadPanelTextures();
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
}

void setUpGraphics(int width, int height)
{
    initGL(width, height);
    // The first glitch character comes from the generator before it is
    // seeded, as the start-up has always drawn it.
    pickGlitchChar();
    initRain();
    buildFont();
}

void releaseGraphics()
{
    deleteFontLists();
    deleteGlyphTextures();
    deletePanelTextures();
    deletePageImage();
}

void resizeGL(int width, int height)
{
    if (height == 0)
        height = 1;
    glViewport(0, 0, width, height);
    setProjection(width, height);
}

static void setupLighting()
{
    static const GLfloat ambient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    static const GLfloat diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    static const GLfloat specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    static const GLfloat position[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
}

static void setupFog()
{
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogfv(GL_FOG_COLOR, FogColour);
    glFogf(GL_FOG_DENSITY, 0.5f);
    glHint(GL_FOG_HINT, GL_DONT_CARE);
    glFogf(GL_FOG_START, FOG_START);
    glFogf(GL_FOG_END, FOG_END);
}

static void loadPanelTextures()
{
    // The rain's title before the perspective view's: the order decides
    // only which texture names are handed out.
    static const int ORDER[PANEL_COUNT] = {
        PANEL_DISPLAY_MODE, PANEL_WINDOW_MODE, PANEL_HOST_ADDRESS, PANEL_CONNECT, PANEL_QUIT,
        PANEL_BANNER, PANEL_RAIN_TITLE, PANEL_PERSPECTIVE_TITLE, PANEL_WIDESCREEN, PANEL_STANDARD,
    };
    for (int index : ORDER)
        loadBitmapTexture(index, PanelPictures[index].width, PanelPictures[index].height);
}

static void loadBitmapTexture(int index, int width, int height)
{
    if (index < 0 || index >= PANEL_COUNT || width <= 0 || height <= 0 ||
        width > PANEL_MAX_WIDTH || height > PANEL_MAX_HEIGHT)
        return;
    readBitmapPixels(PanelPictures[index].bitmap, width, height, PanelPixels);
    uploadTexture(&PanelTextures[index], width, height, PanelPixels);
}

static void buildGlyphTextures()
{
    readBitmapPixels(IDB_GLYPHS, STRIP_WIDTH, GLYPH_HEIGHT, StripPixels);
    for (int k = 0; k < GLYPH_COUNT; ++k) {
        unsigned char* out = CellPixels;
        for (int y = 0; y < GLYPH_HEIGHT; ++y) {
            const unsigned char* in = StripPixels + (y * STRIP_WIDTH + k * GLYPH_WIDTH) * 4;
            for (int i = 0; i < GLYPH_WIDTH * 4; ++i)
                *out++ = in[i];
        }
        uploadTexture(&GlyphTextures[k], GLYPH_WIDTH, GLYPH_HEIGHT, CellPixels);
    }
    buildGlyphAtlas();
}

static void buildFont()
{
    FontBase = glGenLists(FONT_LIST_COUNT);
    buildFontOutlines(FontBase);
    forgetPageImage();
}

void deletePanelTextures()
{
    glDeleteTextures(PANEL_COUNT, PanelTextures);
}

void deleteGlyphTextures()
{
    glDeleteTextures(GLYPH_COUNT, GlyphTextures);
    glDeleteTextures(1, &GlyphAtlas);
}

static void deleteFontLists()
{
    glDeleteLists(FontBase, FONT_LIST_COUNT);
}
