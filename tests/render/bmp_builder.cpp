#include "tests/render/bmp_builder.h"

void putU16(std::vector<unsigned char>& bytes, size_t at, uint32_t value)
{
    bytes[at] = value & 0xFF;
    bytes[at + 1] = (value >> 8) & 0xFF;
}

void putU32(std::vector<unsigned char>& bytes, size_t at, uint32_t value)
{
    putU16(bytes, at, value & 0xFFFF);
    putU16(bytes, at + 2, value >> 16);
}

namespace {

std::vector<unsigned char> header(int width, int height, int bitCount, int paletteSize,
                                  size_t stride, int rows)
{
    const size_t pixelOffset = 54 + 4 * paletteSize;
    std::vector<unsigned char> bytes(pixelOffset + stride * rows, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    putU32(bytes, 2, static_cast<uint32_t>(bytes.size()));
    putU32(bytes, 10, static_cast<uint32_t>(pixelOffset));
    putU32(bytes, 14, 40);
    putU32(bytes, 18, static_cast<uint32_t>(width));
    putU32(bytes, 22, static_cast<uint32_t>(height));
    putU16(bytes, 26, 1);
    putU16(bytes, 28, static_cast<uint32_t>(bitCount));
    putU32(bytes, 34, static_cast<uint32_t>(stride * rows));
    putU32(bytes, 46, static_cast<uint32_t>(paletteSize));
    return bytes;
}

} // namespace

std::vector<unsigned char> makeTrueColourBmp(int width, int height, const std::vector<Rgb>& pixels,
                                             int bitCount, bool topDown)
{
    const size_t stride = (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
    std::vector<unsigned char> bytes =
        header(width, topDown ? -height : height, bitCount, 0, stride, height);
    for (int y = 0; y < height; ++y) {
        const int stored = topDown ? y : height - 1 - y;
        unsigned char* row = bytes.data() + 54 + stored * stride;
        for (int x = 0; x < width; ++x) {
            const Rgb& p = pixels[y * width + x];
            unsigned char* out = row + x * (bitCount / 8);
            out[0] = p.b;
            out[1] = p.g;
            out[2] = p.r;
        }
    }
    return bytes;
}

std::vector<unsigned char> makePaletteBmp(int width, int height, int bitCount,
                                          const std::vector<Rgb>& palette,
                                          const std::vector<int>& indices)
{
    const size_t stride = (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
    const int paletteSize = static_cast<int>(palette.size());
    std::vector<unsigned char> bytes = header(width, height, bitCount, paletteSize, stride, height);
    for (int i = 0; i < paletteSize; ++i) {
        bytes[54 + 4 * i] = palette[i].b;
        bytes[54 + 4 * i + 1] = palette[i].g;
        bytes[54 + 4 * i + 2] = palette[i].r;
    }
    const size_t pixelOffset = 54 + 4 * paletteSize;
    for (int y = 0; y < height; ++y) {
        unsigned char* row = bytes.data() + pixelOffset + (height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const size_t bit = static_cast<size_t>(x) * bitCount;
            const int shift = 8 - bitCount - static_cast<int>(bit % 8);
            row[bit / 8] |= static_cast<unsigned char>(indices[y * width + x] << shift);
        }
    }
    return bytes;
}
