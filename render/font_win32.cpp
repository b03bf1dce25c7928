// Windows: the outline font from WGL, bold Arial in em units.
#include "font.h"

#include <windows.h>
#include <GL/gl.h>

namespace {
GLYPHMETRICSFLOAT GlyphMetrics[256];
}

void buildFontOutlines(unsigned int base)
{
    HDC dc = wglGetCurrentDC();
    // Selected for good: the font object lives as long as the program.
    HFONT font = CreateFontA(-12, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, "Arial");
    SelectObject(dc, font);
    wglUseFontOutlinesA(dc, 0, 255, base, 0.5f, 0.0f, WGL_FONT_POLYGONS, GlyphMetrics);
}
