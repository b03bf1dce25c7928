// Linux: the outline font from FreeType. The bold sans-serif face is found
// through fontconfig; each glyph's outline is flattened and tessellated
// (glyph_outline.h) and compiled into its display list as one batch of
// triangles in the z = 0 plane, in em units, origin at the left end of the
// baseline, followed by the advance. The same triangles are kept as the
// glyph's mesh (text_mesh.h).
#include "font.h"

#include "glyph_outline.h"
#include "text_mesh.h"
#include "terminal/charset.h"

#include <GL/gl.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

namespace {

const char* const FONT_PATTERN = "Liberation Sans:bold";

double OutlineScale;      // em per font unit

int outlineMove(const FT_Vector* to, void*)
{
    moveOutlineTo(to->x * OutlineScale, to->y * OutlineScale);
    return 0;
}

int outlineLine(const FT_Vector* to, void*)
{
    lineOutlineTo(to->x * OutlineScale, to->y * OutlineScale);
    return 0;
}

int outlineConic(const FT_Vector* control, const FT_Vector* to, void*)
{
    conicOutlineTo(control->x * OutlineScale, control->y * OutlineScale,
                   to->x * OutlineScale, to->y * OutlineScale);
    return 0;
}

int outlineCubic(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void*)
{
    cubicOutlineTo(control1->x * OutlineScale, control1->y * OutlineScale,
                   control2->x * OutlineScale, control2->y * OutlineScale,
                   to->x * OutlineScale, to->y * OutlineScale);
    return 0;
}

// Triangles of one glyph into GlyphTriangles; its advance in em.
double tessellateGlyph(FT_Face face, int code)
{
    beginGlyphOutline();
    // Control characters have no glyph: they show the font's empty box.
    const int32_t unicode = codePointOfCp1252(static_cast<unsigned char>(code));
    const FT_UInt glyph = (code < 32 || code == 127 || unicode < 0)
                              ? 0 : FT_Get_Char_Index(face, static_cast<FT_ULong>(unicode));
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP))
        return 0.0;
    const double advance = face->glyph->advance.x * OutlineScale;
    if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return advance;

    static const FT_Outline_Funcs funcs = {outlineMove, outlineLine, outlineConic,
                                           outlineCubic, 0, 0};
    if (FT_Outline_Decompose(&face->glyph->outline, &funcs, nullptr) != 0)
        return advance;
    tessellateGlyphOutline();
    return advance;
}

// The font file fontconfig picks for the pattern, or false.
bool findFontFile(char* path, int pathSize, int* index)
{
    bool found = false;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(FONT_PATTERN));
    if (!pattern)
        return false;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcChar8* file = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
        int i = 0;
        for (; file[i] && i < pathSize - 1; ++i)
            path[i] = static_cast<char>(file[i]);
        path[i] = 0;
        found = file[i] == 0;
        if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch)
            *index = 0;
    }
    if (match)
        FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return found;
}

} // namespace

void buildFontOutlines(unsigned int base)
{
    static char path[4096];
    int faceIndex = 0;
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    clearGlyphMeshes();
    if (!findFontFile(path, sizeof path, &faceIndex) || FT_Init_FreeType(&library) != 0)
        return;
    if (FT_New_Face(library, path, faceIndex, &face) != 0 || face->units_per_EM == 0) {
        FT_Done_FreeType(library);
        return;
    }
    OutlineScale = 1.0 / face->units_per_EM;

    for (int code = 0; code < 255; ++code) {
        const double advance = tessellateGlyph(face, code);
        glNewList(base + code, GL_COMPILE);
        if (GlyphTriangleVertexCount > 0) {
            glNormal3f(0.0f, 0.0f, 1.0f);
            glBegin(GL_TRIANGLES);
            for (int i = 0; i < GlyphTriangleVertexCount; ++i)
                glVertex3f(GlyphTriangles[i][0], GlyphTriangles[i][1], 0.0f);
            glEnd();
        }
        glTranslatef(static_cast<GLfloat>(advance), 0.0f, 0.0f);
        glEndList();
        // The list holds exactly these triangles and this advance.
        storeGlyphMesh(code, static_cast<float>(advance));
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}
