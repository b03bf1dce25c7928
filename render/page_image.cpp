#include "page_image.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

int32_t PageImageFrames = 0;

namespace {

enum {
    PAGE_BYTES_MAX = 4096,
    // The image is drawn as bands of rows, each cut to the columns where
    // the page is, so that the stars around a tilted page cost nothing.
    BAND_ROWS_MIN = 16,
    BANDS_MAX = 1024,
};

struct ImageBand {
    GLint bottom, top;   // rows, top excluded
    GLint left, right;   // columns the page covers, right excluded
};

// What the page's pixels depend on: its text and scroll position, and the
// view it is drawn into.
struct PageKey {
    unsigned char text[PAGE_BYTES_MAX];
    float scroll;
    GLint viewport[4];
    GLfloat projection[16];
};

PageKey LastKey;          // the page of the last frame
int32_t StillFrames = 0;  // frames it has been the same
bool ImageValid = false;  // the image shows LastKey's page
GLuint ImageTexture = 0;
GLint ImageWidth = 0, ImageHeight = 0;        // the viewport it covers
GLint TextureWidth = 0, TextureHeight = 0;    // its texture, powers of two
// Room for an image's read-back pixels (3 bytes each) and its texels (2
// bytes each). It only grows, so that a page settling again and again in
// a window of one size allocates nothing after the first time.
unsigned char* ImageMemory = nullptr;
size_t ImageMemoryPixels = 0;
ImageBand Bands[BANDS_MAX];                   // the bands that hold any of the page
int32_t BandCount = 0;

GLint powerOfTwoAtLeast(GLint n)
{
    GLint p = 1;
    while (p < n)
        p *= 2;
    return p;
}

bool reserveImageMemory(size_t pixelCount)
{
    if (pixelCount <= ImageMemoryPixels)
        return true;
    void* grown = std::realloc(ImageMemory, pixelCount * 5);
    if (!grown)
        return false;
    ImageMemory = static_cast<unsigned char*>(grown);
    ImageMemoryPixels = pixelCount;
    return true;
}

// Bands of the image's rows, each as wide as the page's texels in it:
// everything outside them is transparent.
void findBands(const unsigned char* texels, GLint width, GLint height)
{
    const GLint rows = std::max<GLint>(BAND_ROWS_MIN, (height + BANDS_MAX - 1) / BANDS_MAX);
    BandCount = 0;
    for (GLint bottom = 0; bottom < height; bottom += rows) {
        const GLint top = std::min(bottom + rows, height);
        GLint left = width, right = 0;
        for (GLint y = bottom; y < top; ++y) {
            const unsigned char* row = texels + static_cast<size_t>(y) * static_cast<size_t>(width) * 2;
            for (GLint x = 0; x < left; ++x)
                if (row[2 * x + 1] != 0) {
                    left = x;
                    break;
                }
            for (GLint x = width; x > right && x > left; --x)
                if (row[2 * x - 1] != 0) {
                    right = x;
                    break;
                }
        }
        if (left < right)
            Bands[BandCount++] = {bottom, top, left, right};
    }
}

// The page alone, over a background no page pixel can have (the page is
// yellow faded towards black, so never blue), read back; texels of the
// page's brightness, opaque where the page is. False when the view or the
// colour buffer does not allow an exact image.
bool makeImage(void (*drawPage)())
{
    GLint viewport[4], maxSize = 0, red = 0, green = 0, blue = 0;
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_GREEN_BITS, &green);
    glGetIntegerv(GL_BLUE_BITS, &blue);
    const GLint width = viewport[2], height = viewport[3];
    const GLint textureWidth = powerOfTwoAtLeast(width), textureHeight = powerOfTwoAtLeast(height);
    // Fewer than 8 bits a channel would round (and dither) the image's
    // colours on their way back.
    if (viewport[0] != 0 || viewport[1] != 0 || width < 1 || height < 1 || textureWidth > maxSize ||
        textureHeight > maxSize || red < 8 || green < 8 || blue < 8)
        return false;
    const size_t pixelCount = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (!reserveImageMemory(pixelCount))
        return false;
    unsigned char* pixels = ImageMemory;
    unsigned char* texels = ImageMemory + pixelCount * 3;

    GLfloat clearColour[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    drawPage();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    glClear(GL_COLOR_BUFFER_BIT);
    for (size_t i = 0; i < pixelCount; ++i) {
        texels[2 * i] = pixels[3 * i];
        texels[2 * i + 1] = pixels[3 * i + 2] == 255 ? 0 : 255;
    }
    findBands(texels, width, height);

    if (ImageTexture == 0)
        glGenTextures(1, &ImageTexture);
    glBindTexture(GL_TEXTURE_2D, ImageTexture);
    if (textureWidth != TextureWidth || textureHeight != TextureHeight) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, textureWidth, textureHeight, 0, GL_LUMINANCE_ALPHA,
                     GL_UNSIGNED_BYTE, nullptr);
        TextureWidth = textureWidth;
        TextureHeight = textureHeight;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 2);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, texels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    ImageWidth = width;
    ImageHeight = height;
    return true;
}

} // namespace

bool usePageImage(void (*drawPage)(), const unsigned char* page, int pageBytes, float scroll)
{
    PageKey key;
    std::memset(&key, 0, sizeof key);
    if (pageBytes < 0 || pageBytes > PAGE_BYTES_MAX)
        return false;
    std::memcpy(key.text, page, static_cast<size_t>(pageBytes));
    key.scroll = scroll;
    glGetIntegerv(GL_VIEWPORT, key.viewport);
    glGetFloatv(GL_PROJECTION_MATRIX, key.projection);
    if (std::memcmp(&key, &LastKey, sizeof key) != 0) {
        LastKey = key;
        StillFrames = 0;
        ImageValid = false;
        return false;
    }
    if (!ImageValid && ++StillFrames == PAGE_STILL_FRAMES)
        ImageValid = makeImage(drawPage);
    return ImageValid;
}

void drawPageImage()
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, ImageWidth, 0.0, ImageHeight, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const GLboolean lit = glIsEnabled(GL_LIGHTING), fog = glIsEnabled(GL_FOG), depth = glIsEnabled(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, ImageTexture);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    // The texels' brightness times yellow: the page's own colours.
    glColor4f(1.0f, 1.0f, 0.0f, 1.0f);
    // Texel (x, y) is pixel (x, y): the pixels' centres fall on the
    // texels' centres, and the bands' edges on no pixel's centre.
    const float s = 1.0f / static_cast<float>(TextureWidth), t = 1.0f / static_cast<float>(TextureHeight);
    glBegin(GL_QUADS);
    for (int32_t b = 0; b < BandCount; ++b) {
        const ImageBand& band = Bands[b];
        glTexCoord2f(band.left * s, band.bottom * t);
        glVertex2i(band.left, band.bottom);
        glTexCoord2f(band.right * s, band.bottom * t);
        glVertex2i(band.right, band.bottom);
        glTexCoord2f(band.right * s, band.top * t);
        glVertex2i(band.right, band.top);
        glTexCoord2f(band.left * s, band.top * t);
        glVertex2i(band.left, band.top);
    }
    glEnd();
    glAlphaFunc(GL_ALWAYS, 0.0f);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_TEXTURE_2D);
    if (lit)
        glEnable(GL_LIGHTING);
    if (fog)
        glEnable(GL_FOG);
    if (depth)
        glEnable(GL_DEPTH_TEST);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    ++PageImageFrames;
}

void forgetPageImage()
{
    ImageValid = false;
    StillFrames = 0;
}

void deletePageImage()
{
    if (ImageTexture != 0)
        glDeleteTextures(1, &ImageTexture);
    ImageTexture = 0;
    TextureWidth = TextureHeight = 0;
    std::free(ImageMemory);
    ImageMemory = nullptr;
    ImageMemoryPixels = 0;
    forgetPageImage();
}
