// The outline font's glyphs as indexed triangles, taken once while the font
// lists are built, and rows of text put together from them, so that a row is
// drawn as one batch rather than as one font list per glyph: a software
// renderer pays set-up and an allocation for every draw.
#pragma once
#include <cstdint>

enum {
    GLYPH_MESH_CODES = 256,
    GLYPH_MESH_VERTICES = 16384,            // all glyphs together
    GLYPH_MESH_INDICES = 3 * 16384,
};

struct GlyphMesh {
    int32_t firstVertex;   // in GlyphMeshVertices
    int32_t vertexCount;
    int32_t firstIndex;    // in GlyphMeshIndices; each index counts from firstVertex
    int32_t indexCount;    // three per triangle: the region the glyph's list fills
    float advance;         // em
    float box[4];          // left, bottom, right and top of the vertices, em
    uint8_t usable;        // the triangles and advance are what the glyph's list draws
};

extern GlyphMesh GlyphMeshes[GLYPH_MESH_CODES];
extern float GlyphMeshVertices[GLYPH_MESH_VERTICES][2];
extern uint16_t GlyphMeshIndices[GLYPH_MESH_INDICES];
extern int32_t RowMeshBuilds;   // rows put together from the glyphs so far

// Forgets every glyph but 255, which is empty and does not advance, as its
// list is; rows put together before are not used again.
void clearGlyphMeshes();
// Stores GlyphTriangles (glyph_outline.h) and `advance` as glyph `code`,
// vertices that several triangles share stored once, the region cut anew
// into better-shaped triangles.
void storeGlyphMesh(int code, float advance);

// Draws the 80 bytes of a row with the current matrices, as the font lists
// would draw them from the current position, in one batch; glyphs that lie
// wholly outside the view are left out. False, drawing nothing, when a
// glyph of the row has no usable mesh.
bool drawTextRowMesh(const unsigned char* row);
