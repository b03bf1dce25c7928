// Rows of outline text as one draw each. Calling 80 font lists per row costs
// one draw per glyph, and on a software renderer that per-draw cost is most
// of a frame. So the glyphs' triangles are read back once, and each distinct
// row of text is compiled into a display list of its own that holds the same
// triangles at the places the font lists' advances put them. A small cache
// keeps the lists of the rows recently on view, so scrolling reuses them.
//
// Reading back: feedback mode gives each list's triangles in window
// coordinates. It is not trusted blindly (a list may do more than draw
// triangles and advance, and feedback does not report everything a list
// draws on every implementation), so every glyph is then drawn twice into
// the frame that is about to be cleared, once by its list and once from
// what was read back, and compared pixel by pixel. Glyphs that differ, and
// the rows that hold them, keep going through the font lists.
#include "perspective.h"

#include "gl_setup.h"
#include "terminal/screen.h"

#include <GL/gl.h>

#include <cstring>

bool TextRowBatching = true;
int32_t TextRowCompiles = 0;
int32_t TextGlyphsReproduced = 0;

namespace {

enum {
    GLYPH_CODES = 256,
    SHAPE_VERTEX_POOL = 1 << 15,   // the whole font takes about 12,000
    FEEDBACK_FLOATS = 1 << 17,
    ROW_CACHE_SIZE = 64,
    // The check draws each glyph at CHECK_SCALE pixels per em in a cell of
    // its own, origin at (CHECK_LEFT, CHECK_BASE) inside the cell.
    CHECK_SCALE = 20,
    CHECK_CELL_WIDTH = 32,
    CHECK_CELL_HEIGHT = 40,
    CHECK_LEFT = 6,
    CHECK_BASE = 10,
    CHECK_MAX_COLUMNS = 32,
};

// Feedback runs under an orthographic projection and a viewport whose
// scales are powers of two and whose offsets are zero, so window
// coordinates come back equal to the glyphs' own. Anything near the edge of
// that +-8 em window may have been clipped and is not trusted.
const double CAPTURE_EXTENT = 8.0;
const float CAPTURE_LIMIT = 7.5f;
const float NORMAL_SENTINEL = 7.0f;

struct GlyphShape {
    int32_t first;       // index of the first vertex in ShapeVertices
    int32_t count;       // vertices, three per triangle
    float advance;
    bool usable;         // the read-back triangles and advance are the whole glyph
    bool setsNormal;
    float normal[3];
};

struct RowEntry {
    unsigned char text[SCREEN_COLUMNS];
    uint32_t lastUse;
    bool valid;
    bool batched;        // false: the row has a glyph the cache cannot copy
};

enum CaptureState { CAPTURE_NOT_TRIED, CAPTURE_READY, CAPTURE_UNAVAILABLE };

CaptureState Capture = CAPTURE_NOT_TRIED;
uint32_t CapturedFontBase = 0;
GlyphShape Shapes[GLYPH_CODES];
float ShapeVertices[SHAPE_VERTEX_POOL][2];
int32_t ShapeVertexCount = 0;
GLfloat Feedback[FEEDBACK_FLOATS];
GLfloat MatrixAfter[GLYPH_CODES][16];
GLfloat NormalAfter[GLYPH_CODES][3];
unsigned char CheckPixels[CHECK_MAX_COLUMNS * CHECK_CELL_WIDTH * CHECK_CELL_HEIGHT];

GLuint RowListBase = 0;
RowEntry RowCache[ROW_CACHE_SIZE];
uint32_t UseCounter = 0;

bool isTranslationAlongX(const GLfloat* m)
{
    static const GLfloat identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i)
        if (i != 12 && m[i] != identity[i])
            return false;
    return true;
}

// Reads one glyph's triangles from the feedback buffer, from index *at up
// to the next pass-through marker, into the pool. Keeps those a default
// back-face cull keeps (counter-clockwise on screen). False if the glyph
// drew anything other than whole, unclipped triangles.
bool readTriangles(GLint values, GLint* at, GlyphShape* shape)
{
    shape->first = ShapeVertexCount;
    shape->count = 0;
    GLint i = *at;
    bool whole = true;
    while (i < values && Feedback[i] != GL_PASS_THROUGH_TOKEN) {
        if (Feedback[i] != GL_POLYGON_TOKEN || i + 2 + 9 > values ||
            static_cast<int>(Feedback[i + 1]) != 3) {
            whole = false;
            break;
        }
        const GLfloat* v = &Feedback[i + 2];
        i += 2 + 9;
        for (int k = 0; k < 3; ++k)
            if (!(v[k * 3] > -CAPTURE_LIMIT && v[k * 3] < CAPTURE_LIMIT &&
                  v[k * 3 + 1] > -CAPTURE_LIMIT && v[k * 3 + 1] < CAPTURE_LIMIT))
                whole = false;
        double area = (static_cast<double>(v[3]) - v[0]) * (static_cast<double>(v[7]) - v[1]) -
                      (static_cast<double>(v[6]) - v[0]) * (static_cast<double>(v[4]) - v[1]);
        if (area <= 0.0)
            continue;   // culled or empty in the view as well
        if (ShapeVertexCount + 3 > SHAPE_VERTEX_POOL) {
            whole = false;
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            ShapeVertices[ShapeVertexCount][0] = v[k * 3];
            ShapeVertices[ShapeVertexCount][1] = v[k * 3 + 1];
            ++ShapeVertexCount;
        }
        shape->count += 3;
    }
    // Skip whatever else the glyph drew, up to the next glyph's marker.
    while (i < values && Feedback[i] != GL_PASS_THROUGH_TOKEN)
        ++i;
    *at = i;
    return whole;
}

// One feedback pass over all the lists, each glyph's output behind a marker
// that carries its code; after each list, what it left in the matrix and
// the normal.
void readBackGlyphs()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-CAPTURE_EXTENT, CAPTURE_EXTENT, -CAPTURE_EXTENT, CAPTURE_EXTENT, -CAPTURE_EXTENT,
            CAPTURE_EXTENT);
    glMatrixMode(GL_MODELVIEW);
    glViewport(-8, -8, 16, 16);
    glDisable(GL_CULL_FACE);
    glFeedbackBuffer(FEEDBACK_FLOATS, GL_3D, Feedback);
    glRenderMode(GL_FEEDBACK);
    for (int code = 0; code < GLYPH_CODES; ++code) {
        glLoadIdentity();
        glNormal3f(NORMAL_SENTINEL, NORMAL_SENTINEL, NORMAL_SENTINEL);
        glPassThrough(static_cast<GLfloat>(code));
        glCallList(FontBase + code);
        glGetFloatv(GL_MODELVIEW_MATRIX, MatrixAfter[code]);
        glGetFloatv(GL_CURRENT_NORMAL, NormalAfter[code]);
    }
    GLint values = glRenderMode(GL_RENDER);

    ShapeVertexCount = 0;
    for (GlyphShape& shape : Shapes)
        shape = GlyphShape{};
    GLint i = 0;
    while (values > 0 && i + 1 < values) {
        if (Feedback[i] != GL_PASS_THROUGH_TOKEN)
            break;   // every glyph's output follows its marker; anything else is not understood
        int code = static_cast<int>(Feedback[i + 1]);
        i += 2;
        if (code < 0 || code >= GLYPH_CODES)
            break;
        GlyphShape& shape = Shapes[code];
        bool whole = readTriangles(values, &i, &shape);
        const GLfloat* normal = NormalAfter[code];
        shape.usable = whole && isTranslationAlongX(MatrixAfter[code]);
        shape.advance = MatrixAfter[code][12];
        shape.setsNormal = !(normal[0] == NORMAL_SENTINEL && normal[1] == NORMAL_SENTINEL &&
                             normal[2] == NORMAL_SENTINEL);
        for (int k = 0; k < 3; ++k)
            shape.normal[k] = normal[k];
        if (!shape.usable)
            shape.count = 0;
    }
}

void placeCheckCell(int cellX, int cellY)
{
    glLoadIdentity();
    glTranslatef(static_cast<float>(cellX + CHECK_LEFT), static_cast<float>(cellY + CHECK_BASE), 0.0f);
    glScalef(static_cast<float>(CHECK_SCALE), static_cast<float>(CHECK_SCALE), 1.0f);
}

// Draws every usable glyph by its list and, with XOR, from its read-back
// triangles, each in a scissored cell of its own, and keeps only those that
// leave their cell black. Needs the viewport to hold at least one cell.
bool checkGlyphs(const GLint* viewport)
{
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    int columns = viewport[2] / CHECK_CELL_WIDTH;
    int rows = viewport[3] / CHECK_CELL_HEIGHT;
    if (columns > CHECK_MAX_COLUMNS)
        columns = CHECK_MAX_COLUMNS;
    if (columns < 1 || rows < 1)
        return false;

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, viewport[2], 0.0, viewport[3], -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_DITHER);
    glEnable(GL_CULL_FACE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);

    const int perPass = columns * rows;
    for (int first = 0; first < GLYPH_CODES; first += perPass) {
        int end = first + perPass < GLYPH_CODES ? first + perPass : GLYPH_CODES;
        glDisable(GL_SCISSOR_TEST);
        glDisable(GL_COLOR_LOGIC_OP);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1) {
                glEnable(GL_COLOR_LOGIC_OP);
                glLogicOp(GL_XOR);
            }
            for (int code = first; code < end; ++code) {
                const GlyphShape& shape = Shapes[code];
                if (!shape.usable)
                    continue;
                int cellX = (code - first) % columns * CHECK_CELL_WIDTH;
                int cellY = (code - first) / columns * CHECK_CELL_HEIGHT;
                glScissor(viewport[0] + cellX, viewport[1] + cellY, CHECK_CELL_WIDTH,
                          CHECK_CELL_HEIGHT);
                placeCheckCell(cellX, cellY);
                glColor3f(1.0f, 1.0f, 1.0f);
                if (pass == 0) {
                    glCallList(FontBase + code);
                } else if (shape.count > 0) {
                    glBegin(GL_TRIANGLES);
                    for (int v = shape.first; v < shape.first + shape.count; ++v)
                        glVertex2f(ShapeVertices[v][0], ShapeVertices[v][1]);
                    glEnd();
                }
            }
        }
        int usedRows = (end - first + columns - 1) / columns;
        for (int row = 0; row < usedRows; ++row) {
            glReadPixels(viewport[0], viewport[1] + row * CHECK_CELL_HEIGHT,
                         columns * CHECK_CELL_WIDTH, CHECK_CELL_HEIGHT, GL_RED, GL_UNSIGNED_BYTE,
                         CheckPixels);
            for (int column = 0; column < columns; ++column) {
                int code = first + row * columns + column;
                if (code >= end)
                    break;
                bool same = true;
                for (int y = 0; y < CHECK_CELL_HEIGHT && same; ++y) {
                    const unsigned char* p =
                        &CheckPixels[(y * columns + column) * CHECK_CELL_WIDTH];
                    for (int x = 0; x < CHECK_CELL_WIDTH; ++x)
                        same &= p[x] == 0;
                }
                if (!same)
                    Shapes[code].usable = false;
            }
        }
    }
    return true;
}

// Reads the glyphs back and checks them. Uses the colour buffer, which the
// frame clears next; all other state is put back as it was.
void captureFont()
{
    if (RowListBase == 0)
        RowListBase = glGenLists(ROW_CACHE_SIZE);
    if (RowListBase == 0) {
        Capture = CAPTURE_UNAVAILABLE;
        return;
    }

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    GLint matrixMode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    readBackGlyphs();
    bool checked = checkGlyphs(viewport);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(matrixMode));
    glPopClientAttrib();
    glPopAttrib();

    TextGlyphsReproduced = 0;
    for (const GlyphShape& shape : Shapes)
        TextGlyphsReproduced += checked && shape.usable;
    for (RowEntry& entry : RowCache)
        entry.valid = false;
    CapturedFontBase = FontBase;
    // A viewport too small to hold one glyph cell: the rows keep going
    // through the font lists.
    Capture = checked ? CAPTURE_READY : CAPTURE_UNAVAILABLE;
}

// The row's triangles at the pen positions the font lists' advances give,
// the pen accumulated in single precision as the chain of translations is.
void compileRow(RowEntry& entry, GLuint list)
{
    ++TextRowCompiles;
    entry.batched = true;
    for (int k = 0; k < SCREEN_COLUMNS; ++k)
        if (!Shapes[entry.text[k]].usable)
            entry.batched = false;
    if (!entry.batched)
        return;

    glNewList(list, GL_COMPILE);
    bool open = false;
    float pen = 0.0f;
    for (int k = 0; k < SCREEN_COLUMNS; ++k) {
        const GlyphShape& shape = Shapes[entry.text[k]];
        if (shape.setsNormal)
            glNormal3fv(shape.normal);
        if (shape.count > 0 && !open) {
            glBegin(GL_TRIANGLES);
            open = true;
        }
        const float(*v)[2] = &ShapeVertices[shape.first];
        for (int i = 0; i < shape.count; ++i)
            glVertex3f(v[i][0] + pen, v[i][1], 0.0f);
        pen += shape.advance;
    }
    if (open)
        glEnd();
    glEndList();
}

} // namespace

void prepareTextRowBatches()
{
    if (!TextRowBatching || Capture == CAPTURE_UNAVAILABLE)
        return;
    if (Capture == CAPTURE_READY && CapturedFontBase == FontBase)
        return;
    // Feedback cannot start while another render mode (selection) runs.
    GLint mode = GL_RENDER;
    glGetIntegerv(GL_RENDER_MODE, &mode);
    if (mode == GL_RENDER)
        captureFont();
}

bool drawTextRowBatched(const unsigned char* row)
{
    if (!TextRowBatching || Capture != CAPTURE_READY || CapturedFontBase != FontBase)
        return false;

    ++UseCounter;
    int slot = -1;
    int oldest = 0;
    for (int i = 0; i < ROW_CACHE_SIZE; ++i) {
        RowEntry& entry = RowCache[i];
        if (entry.valid && std::memcmp(entry.text, row, SCREEN_COLUMNS) == 0) {
            slot = i;
            break;
        }
        // Replace an unused entry first, else the one unused for longest.
        if (!entry.valid) {
            if (RowCache[oldest].valid)
                oldest = i;
        } else if (RowCache[oldest].valid && entry.lastUse < RowCache[oldest].lastUse) {
            oldest = i;
        }
    }
    if (slot < 0) {
        slot = oldest;
        RowEntry& entry = RowCache[slot];
        std::memcpy(entry.text, row, SCREEN_COLUMNS);
        entry.valid = true;
        compileRow(entry, RowListBase + slot);
    }
    RowEntry& entry = RowCache[slot];
    entry.lastUse = UseCounter;
    if (!entry.batched)
        return false;
    glCallList(RowListBase + slot);
    return true;
}

void forgetTextRowBatches()
{
    if (RowListBase != 0)
        glDeleteLists(RowListBase, ROW_CACHE_SIZE);
    RowListBase = 0;
    Capture = CAPTURE_NOT_TRIED;
    for (RowEntry& entry : RowCache)
        entry.valid = false;
}
