// Fixed OpenGL state and the resources every scene shares: the ten panel
// textures, the 96 glyph textures and the 256 outline-font display lists.
// Built once when the window is created; need the GL context current.
#pragma once
#include <cstdint>

// The start menu's pictures, by their index in PanelTextures.
enum {
    PANEL_DISPLAY_MODE = 0, PANEL_WINDOW_MODE = 1, PANEL_HOST_ADDRESS = 2,
    PANEL_CONNECT = 3, PANEL_QUIT = 4, PANEL_BANNER = 5,
    PANEL_PERSPECTIVE_TITLE = 6, PANEL_RAIN_TITLE = 7,
    PANEL_WIDESCREEN = 8, PANEL_STANDARD = 9,
    PANEL_COUNT = 10,
};

enum {
    GLYPH_COUNT = 96,          // codes 32..127; entry k is code 32 + k
    GLYPH_WIDTH = 8, GLYPH_HEIGHT = 16,
    FONT_LIST_COUNT = 256,
};

// The linear fog: none nearer than FOG_START, the fog's colour, black, from
// FOG_END on (eye distances).
constexpr float FOG_START = 17.0f;
constexpr float FOG_END = 22.0f;
extern const float FogColour[4];

extern uint32_t PanelTextures[PANEL_COUNT];
struct PanelPicture {
    int32_t bitmap;           // its bitmap resource
    int32_t width, height;    // the pixels read from it
};
extern const PanelPicture PanelPictures[PANEL_COUNT];
extern uint32_t GlyphTextures[GLYPH_COUNT];
extern uint32_t FontBase;                            // list FontBase + n draws character n

// All 96 glyphs in one texture, for drawing many glyph quads with one bind.
// Each glyph sits in a cell of its own with a ring of transparent black
// texels around it, which filters at the glyph's edges exactly as the
// border of a clamped single-glyph texture does.
struct GlyphAtlasCell {
    float left, right, top, bottom;   // texture coordinates of the glyph's outer edges
    // The part of the glyph quad that can show anything but black under
    // linear filtering, as fractions of its width from the left edge and of
    // its height from the top edge: the texels that are not black and half
    // a texel's reach around them. Empty (all zero) for a black glyph.
    float inkLeft, inkRight, inkTop, inkBottom;
};
extern uint32_t GlyphAtlas;
extern GlyphAtlasCell GlyphAtlasCells[GLYPH_COUNT];

// A window's graphics as a whole, in the order the program sets them up at
// its creation: the fixed state and the textures (initGL), the first glitch
// character and the empty rain, the outline font; and their release.
void setUpGraphics(int width, int height);
void releaseGraphics();

// The fixed state (depth test, shading, projection, light, fog, colour
// material) and the panel and glyph textures.
void initGL(int width, int height);
void resizeGL(int width, int height);
void deletePanelTextures();
void deleteGlyphTextures();

