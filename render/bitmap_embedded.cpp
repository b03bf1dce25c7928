// Linux: bitmap resources are BMP files compiled into the program
// (embedded_bitmaps.cpp, generated from resources/ at build time).
#include "bitmap.h"
#include "bitmap_embedded.h"

#include <cstdint>

namespace {

enum { BMP_FILE_HEADER = 14, BI_RGB = 0 };

uint32_t readU16(const unsigned char* p) { return p[0] | (p[1] << 8); }

uint32_t readU32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void fillBlack(unsigned char* rgba, int width, int height)
{
    for (int i = 0; i < width * height; ++i) {
        rgba[i * 4 + 0] = 0;
        rgba[i * 4 + 1] = 0;
        rgba[i * 4 + 2] = 0;
        rgba[i * 4 + 3] = 255;
    }
}

} // namespace

bool decodeBitmap(const unsigned char* data, size_t size, int width, int height,
                  unsigned char* rgba)
{
    if (width <= 0 || height <= 0 || !rgba)
        return false;
    fillBlack(rgba, width, height);
    if (!data || size < BMP_FILE_HEADER + 12 || data[0] != 'B' || data[1] != 'M')
        return false;

    const uint64_t pixelOffset = readU32(data + 10);
    const uint64_t infoSize = readU32(data + BMP_FILE_HEADER);
    int64_t imageWidth, imageHeight;
    uint32_t bitCount, colourCount = 0;
    uint64_t paletteEntry;
    if (infoSize == 12) {               // OS/2 core header, palette of RGB triples
        imageWidth = readU16(data + 18);
        imageHeight = readU16(data + 20);
        bitCount = readU16(data + 24);
        paletteEntry = 3;
    } else if (infoSize >= 40 && infoSize <= 4096 && size >= BMP_FILE_HEADER + 40) {
        imageWidth = static_cast<int32_t>(readU32(data + 18));
        imageHeight = static_cast<int32_t>(readU32(data + 22));
        bitCount = readU16(data + 28);
        if (readU32(data + 30) != BI_RGB)
            return false;
        colourCount = readU32(data + 46);
        paletteEntry = 4;
    } else {
        return false;
    }

    const bool topDown = imageHeight < 0;
    if (topDown)
        imageHeight = -imageHeight;
    if (imageWidth <= 0 || imageHeight <= 0)
        return false;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
        return false;

    // The whole pixel array must lie inside the file.
    const uint64_t stride = (static_cast<uint64_t>(imageWidth) * bitCount + 31) / 32 * 4;
    if (pixelOffset > size || stride * static_cast<uint64_t>(imageHeight) > size - pixelOffset)
        return false;

    const uint64_t paletteOffset = BMP_FILE_HEADER + infoSize;
    if (bitCount <= 8) {
        const uint32_t maxColours = 1u << bitCount;
        if (colourCount == 0 || colourCount > maxColours)
            colourCount = maxColours;
        // Only palette entries inside the file count; others read as black.
        const uint64_t available = paletteOffset < size ? (size - paletteOffset) / paletteEntry : 0;
        if (available < colourCount)
            colourCount = static_cast<uint32_t>(available);
    }

    const int64_t rows = imageHeight < height ? imageHeight : height;
    const int64_t columns = imageWidth < width ? imageWidth : width;
    for (int64_t y = 0; y < rows; ++y) {
        const int64_t storedRow = topDown ? y : imageHeight - 1 - y;
        const unsigned char* row = data + pixelOffset + storedRow * stride;
        unsigned char* out = rgba + y * width * 4;
        for (int64_t x = 0; x < columns; ++x, out += 4) {
            if (bitCount == 24 || bitCount == 32) {
                const unsigned char* p = row + x * (bitCount / 8);
                out[0] = p[2];
                out[1] = p[1];
                out[2] = p[0];
                continue;
            }
            const uint64_t bit = static_cast<uint64_t>(x) * bitCount;
            const uint32_t shift = 8 - bitCount - static_cast<uint32_t>(bit % 8);
            const uint32_t index = (row[bit / 8] >> shift) & ((1u << bitCount) - 1);
            if (index >= colourCount)
                continue;
            const unsigned char* p = data + paletteOffset + index * paletteEntry;
            out[0] = p[2];
            out[1] = p[1];
            out[2] = p[0];
        }
    }
    return true;
}

bool readBitmapPixels(int id, int width, int height, unsigned char* rgba)
{
    for (int i = 0; i < EmbeddedBitmapCount; ++i) {
        if (EmbeddedBitmaps[i].id == id)
            return decodeBitmap(EmbeddedBitmaps[i].data, EmbeddedBitmaps[i].size,
                                width, height, rgba);
    }
    fillBlack(rgba, width, height);
    return false;
}
