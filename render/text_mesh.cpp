// Glyph meshes and rows of text built from them.
//
// A row is put together once per distinct content: each glyph's triangles
// moved along by the advances before it, in column order, so that the row
// covers what the font lists would draw, glyph after glyph in the same
// order. Rows are cached by their bytes, not by where they are on view, so
// a row that the smooth scroll moves to another place on the page is not
// built again.
#include "text_mesh.h"

#include "glyph_outline.h"
#include "terminal/screen.h"

#include <GL/gl.h>

#include <cstring>

GlyphMesh GlyphMeshes[GLYPH_MESH_CODES];
float GlyphMeshVertices[GLYPH_MESH_VERTICES][2];
uint16_t GlyphMeshIndices[GLYPH_MESH_INDICES];
int32_t RowMeshBuilds = 0;

namespace {

enum {
    ROW_COLUMNS = SCREEN_COLUMNS,
    ROW_CACHE_SIZE = 32,            // more than the 26 rows on view
    ROW_MESH_VERTICES = 5120,       // a row of 80 glyphs of 64 vertices each
    ROW_MESH_INDICES = 3 * 5120,
};

int32_t GlyphMeshVertexCount = 0;
int32_t GlyphMeshIndexCount = 0;
uint32_t GlyphGeneration = 1;       // changes whenever the glyphs are taken anew

struct RowMesh {
    unsigned char text[ROW_COLUMNS];
    uint32_t hash;
    uint32_t generation;            // 0: the entry holds nothing
    uint32_t lastUse;
    uint8_t batched;                // 0: a glyph without a usable mesh, or too big
    int32_t indexCount;
    uint16_t columnIndex[ROW_COLUMNS + 1];   // first index of each column's glyph
    float columnLeft[ROW_COLUMNS];  // x extent of each column's glyph, em from the row's start
    float columnRight[ROW_COLUMNS];
    float bottom, top;              // y extent of the row's glyphs, em
};

RowMesh RowMeshes[ROW_CACHE_SIZE];
float RowVertices[ROW_CACHE_SIZE][ROW_MESH_VERTICES][2];
uint16_t RowIndices[ROW_CACHE_SIZE][ROW_MESH_INDICES];
uint32_t UseCounter = 0;

uint32_t hashRow(const unsigned char* row)
{
    uint32_t h = 2166136261u;
    for (int k = 0; k < ROW_COLUMNS; ++k)
        h = (h ^ row[k]) * 16777619u;
    return h;
}

void buildRow(RowMesh& mesh, int slot, const unsigned char* row)
{
    ++RowMeshBuilds;
    std::memcpy(mesh.text, row, ROW_COLUMNS);
    mesh.generation = GlyphGeneration;
    mesh.batched = 1;
    mesh.bottom = 0.0f;
    mesh.top = 0.0f;
    float (*vertices)[2] = RowVertices[slot];
    uint16_t* indices = RowIndices[slot];
    int vertexCount = 0, indexCount = 0;
    // The pen adds up the advances in single precision, much as the lists'
    // translations add up in the matrix.
    float pen = 0.0f;
    bool any = false;
    for (int k = 0; k < ROW_COLUMNS; ++k) {
        const GlyphMesh& glyph = GlyphMeshes[row[k]];
        if (!glyph.usable || vertexCount + glyph.vertexCount > ROW_MESH_VERTICES ||
            indexCount + glyph.indexCount > ROW_MESH_INDICES) {
            mesh.batched = 0;
            return;
        }
        mesh.columnIndex[k] = static_cast<uint16_t>(indexCount);
        mesh.columnLeft[k] = pen + glyph.box[0];
        mesh.columnRight[k] = pen + glyph.box[2];
        if (glyph.indexCount > 0) {
            mesh.bottom = any && mesh.bottom < glyph.box[1] ? mesh.bottom : glyph.box[1];
            mesh.top = any && mesh.top > glyph.box[3] ? mesh.top : glyph.box[3];
            any = true;
        }
        const float (*from)[2] = &GlyphMeshVertices[glyph.firstVertex];
        for (int v = 0; v < glyph.vertexCount; ++v) {
            vertices[vertexCount + v][0] = from[v][0] + pen;
            vertices[vertexCount + v][1] = from[v][1];
        }
        const uint16_t* fromIndex = &GlyphMeshIndices[glyph.firstIndex];
        for (int i = 0; i < glyph.indexCount; ++i)
            indices[indexCount + i] = static_cast<uint16_t>(fromIndex[i] + vertexCount);
        vertexCount += glyph.vertexCount;
        indexCount += glyph.indexCount;
        pen += glyph.advance;
    }
    mesh.columnIndex[ROW_COLUMNS] = static_cast<uint16_t>(indexCount);
    mesh.indexCount = indexCount;
}

// The cached row holding these bytes, built if there is none.
RowMesh& rowMeshFor(const unsigned char* row, int* slot)
{
    const uint32_t hash = hashRow(row);
    int oldest = 0;
    for (int i = 0; i < ROW_CACHE_SIZE; ++i) {
        RowMesh& mesh = RowMeshes[i];
        if (mesh.generation == GlyphGeneration && mesh.hash == hash &&
            std::memcmp(mesh.text, row, ROW_COLUMNS) == 0) {
            *slot = i;
            return mesh;
        }
        if (mesh.lastUse < RowMeshes[oldest].lastUse)
            oldest = i;
    }
    RowMesh& mesh = RowMeshes[oldest];
    mesh.hash = hash;
    buildRow(mesh, oldest, row);
    *slot = oldest;
    return mesh;
}

// Clip coordinates of (x, y, 0, 1) through `m` (column-major), as outcode
// bits of the six planes it lies outside of.
int outcode(const double* m, double x, double y)
{
    double c[4];
    for (int i = 0; i < 4; ++i)
        c[i] = m[i] * x + m[4 + i] * y + m[12 + i];
    return (c[0] < -c[3]) | (c[0] > c[3]) << 1 | (c[1] < -c[3]) << 2 | (c[1] > c[3]) << 3 |
           (c[2] < -c[3]) << 4 | (c[2] > c[3]) << 5;
}

// True when the rectangle lies wholly outside one of the view's planes,
// where nothing of it can cover a pixel.
bool outsideView(const double* m, float left, float bottom, float right, float top)
{
    return (outcode(m, left, bottom) & outcode(m, right, bottom) & outcode(m, left, top) &
            outcode(m, right, top)) != 0;
}

// Twice the signed area of triangle a, b, c: positive when counter-clockwise.
double orientation(const float* a, const float* b, const float* c)
{
    return (static_cast<double>(b[0]) - a[0]) * (static_cast<double>(c[1]) - a[1]) -
           (static_cast<double>(b[1]) - a[1]) * (static_cast<double>(c[0]) - a[0]);
}

// Whether d lies inside the circle through the counter-clockwise a, b, c.
bool insideCircle(const float* a, const float* b, const float* c, const float* d)
{
    const double ax = a[0] - static_cast<double>(d[0]), ay = a[1] - static_cast<double>(d[1]);
    const double bx = b[0] - static_cast<double>(d[0]), by = b[1] - static_cast<double>(d[1]);
    const double cx = c[0] - static_cast<double>(d[0]), cy = c[1] - static_cast<double>(d[1]);
    return (ax * ax + ay * ay) * (bx * cy - cx * by) - (bx * bx + by * by) * (ax * cy - cx * ay) +
               (cx * cx + cy * cy) * (ax * by - bx * ay) > 1e-12;
}

// Swaps the edge from corner e of triangle i for the pair's other diagonal
// when the far corner of the triangle beyond it lies inside i's circle and
// the two make a convex quadrilateral. True if it did.
bool flipEdge(const float (*v)[2], uint16_t* t, int indexCount, int i, int e)
{
    const int a = t[i + e], b = t[i + (e + 1) % 3], c = t[i + (e + 2) % 3];
    for (int j = i + 3; j < indexCount; j += 3)
        for (int k = 0; k < 3; ++k) {
            if (t[j + k] != b || t[j + (k + 1) % 3] != a)
                continue;
            const int d = t[j + (k + 2) % 3];
            if (!insideCircle(v[a], v[b], v[c], v[d]) || orientation(v[a], v[d], v[c]) <= 0.0 ||
                orientation(v[d], v[b], v[c]) <= 0.0)
                return false;
            t[i] = static_cast<uint16_t>(a), t[i + 1] = static_cast<uint16_t>(d), t[i + 2] = static_cast<uint16_t>(c);
            t[j] = static_cast<uint16_t>(d), t[j + 1] = static_cast<uint16_t>(b), t[j + 2] = static_cast<uint16_t>(c);
            return true;
        }
    return false;
}

// Re-cuts a glyph's triangles towards a Delaunay triangulation by Lawson's
// flips. The outline's edges stay and the region stays, so the glyph covers
// the same pixels (the fill rule gives every pixel centre inside it to
// exactly one triangle, however it is cut), but the long slivers a
// sweep-line tessellation leaves, which a software rasterizer walks block
// by block, mostly become compact triangles.
void flipTowardsDelaunay(const float (*v)[2], uint16_t* t, int indexCount)
{
    for (int pass = 0; pass < 32; ++pass) {
        bool flipped = false;
        for (int i = 0; i < indexCount; i += 3)
            for (int e = 0; e < 3; ++e)
                if (flipEdge(v, t, indexCount, i, e)) {
                    flipped = true;
                    break;   // triangle i has changed
                }
        if (!flipped)
            return;
    }
}

} // namespace

void clearGlyphMeshes()
{
    std::memset(GlyphMeshes, 0, sizeof GlyphMeshes);
    GlyphMeshes[255].usable = 1;
    GlyphMeshVertexCount = 0;
    GlyphMeshIndexCount = 0;
    ++GlyphGeneration;
}

void storeGlyphMesh(int code, float advance)
{
    if (code < 0 || code >= GLYPH_MESH_CODES)
        return;
    GlyphMesh& glyph = GlyphMeshes[code];
    glyph = GlyphMesh{};
    glyph.firstVertex = GlyphMeshVertexCount;
    glyph.firstIndex = GlyphMeshIndexCount;
    glyph.advance = advance;
    if (GlyphMeshIndexCount + GlyphTriangleVertexCount > GLYPH_MESH_INDICES)
        return;
    float (*vertices)[2] = &GlyphMeshVertices[glyph.firstVertex];
    for (int t = 0; t < GlyphTriangleVertexCount; ++t) {
        const float x = GlyphTriangles[t][0], y = GlyphTriangles[t][1];
        int v = 0;
        while (v < glyph.vertexCount && !(vertices[v][0] == x && vertices[v][1] == y))
            ++v;
        if (v == glyph.vertexCount) {
            if (glyph.firstVertex + v >= GLYPH_MESH_VERTICES)
                return;
            vertices[v][0] = x;
            vertices[v][1] = y;
            ++glyph.vertexCount;
            glyph.box[0] = v == 0 || x < glyph.box[0] ? x : glyph.box[0];
            glyph.box[1] = v == 0 || y < glyph.box[1] ? y : glyph.box[1];
            glyph.box[2] = v == 0 || x > glyph.box[2] ? x : glyph.box[2];
            glyph.box[3] = v == 0 || y > glyph.box[3] ? y : glyph.box[3];
        }
        GlyphMeshIndices[glyph.firstIndex + t] = static_cast<uint16_t>(v);
    }
    glyph.indexCount = GlyphTriangleVertexCount;
    flipTowardsDelaunay(vertices, &GlyphMeshIndices[glyph.firstIndex], glyph.indexCount);
    glyph.usable = 1;
    GlyphMeshVertexCount += glyph.vertexCount;
    GlyphMeshIndexCount += glyph.indexCount;
}

bool drawTextRowMesh(const unsigned char* row)
{
    int slot = 0;
    RowMesh& mesh = rowMeshFor(row, &slot);
    mesh.lastUse = ++UseCounter;
    if (!mesh.batched)
        return false;
    if (mesh.indexCount == 0)
        return true;

    // Row space to clip space.
    GLfloat projection[16], modelview[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    double m[16];
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            double sum = 0.0;
            for (int i = 0; i < 4; ++i)
                sum += static_cast<double>(projection[i * 4 + r]) * modelview[c * 4 + i];
            m[c * 4 + r] = sum;
        }

    // The glyphs from the first to the last that may show.
    int first = 0, last = ROW_COLUMNS - 1;
    const auto hidden = [&](int k) {
        return mesh.columnIndex[k + 1] == mesh.columnIndex[k] ||
               outsideView(m, mesh.columnLeft[k], mesh.bottom, mesh.columnRight[k], mesh.top);
    };
    while (first <= last && hidden(first))
        ++first;
    while (last > first && hidden(last))
        --last;
    if (first > last)
        return true;

    const int begin = mesh.columnIndex[first], end = mesh.columnIndex[last + 1];
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, RowVertices[slot]);
    glDrawElements(GL_TRIANGLES, end - begin, GL_UNSIGNED_SHORT, &RowIndices[slot][begin]);
    glDisableClientState(GL_VERTEX_ARRAY);
    return true;
}
