// The BMP reader behind the Linux bitmap resources.
#include "render/bitmap.h"
#include "render/bitmap_embedded.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

void putLE(std::vector<unsigned char>& bytes, size_t at, uint32_t value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// An uncompressed BMP, 40-byte info header. `values` run top row first:
// palette indices up to 8 bits, 0xRRGGBB above. Stored bottom-up unless topDown.
std::vector<unsigned char> makeBmp(int width, int height, int bits, const std::vector<uint32_t>& values,
                                   const std::vector<uint32_t>& palette = {}, bool topDown = false)
{
    const size_t stride = (static_cast<size_t>(width) * bits + 31) / 32 * 4, start = 54 + 4 * palette.size();
    std::vector<unsigned char> bytes(start + stride * height, 0);
    const uint32_t fields[][3] = {   // offset, size, value
        {0, 2, 0x4D42}, {10, 4, static_cast<uint32_t>(start)}, {14, 4, 40}, {18, 4, static_cast<uint32_t>(width)},
        {22, 4, static_cast<uint32_t>(topDown ? -height : height)}, {26, 2, 1},
        {28, 2, static_cast<uint32_t>(bits)}, {46, 4, static_cast<uint32_t>(palette.size())},
    };
    for (const auto& [at, size, value] : fields)
        putLE(bytes, at, value, static_cast<int>(size));
    for (size_t i = 0; i < palette.size(); ++i)
        putLE(bytes, 54 + 4 * i, palette[i], 3);
    for (int y = 0; y < height; ++y) {
        const size_t row = start + (topDown ? y : height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const uint32_t v = values[y * width + x];
            if (bits >= 24)
                putLE(bytes, row + x * bits / 8, v, 3);
            else
                bytes[row + x * bits / 8] |= static_cast<unsigned char>(v << (8 - bits - x * bits % 8));
        }
    }
    return bytes;
}

// Opaque RGBA bytes of 0xRRGGBB colours.
std::vector<unsigned char> rgbaOf(const std::vector<uint32_t>& colours)
{
    std::vector<unsigned char> bytes;
    for (uint32_t c : colours)
        bytes.insert(bytes.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255});
    return bytes;
}

// Decodes an exact-size copy of the file, so that ASan sees any read past its end.
std::vector<unsigned char> decode(std::vector<unsigned char> file, int width, int height, bool* ok)
{
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4, 0xAA);
    *ok = decodeBitmap(file.data(), file.size(), width, height, rgba.data());
    return rgba;
}

} // namespace

TEST(BitmapReader, DecodesTheTopLeftRegionOfEachFormatTopRowFirst)
{
    // 5 x 3 pixels, so that all but 32-bit rows are padded; the top-left one
    // is 153, 102, 51. Read into a smaller region, or a larger one padded black.
    const std::vector<uint32_t> palette = {0x996633, 0xFFFFFF, 0x010203, 0x7F0080};
    const struct { int bits; bool topDown; int width, height; } cases[] = {
        {24, false, 6, 4}, {24, true, 4, 2}, {32, false, 4, 2}, {32, true, 6, 4},
        {8, false, 6, 4}, {4, false, 4, 2}, {1, false, 6, 4},
    };
    for (const auto& c : cases) {
        std::vector<uint32_t> values, colours, expected;
        for (uint32_t i = 0; i < 15; ++i) {
            const uint32_t index = (i * 7 + i / 5) % (c.bits == 1 ? 2 : 4);
            values.push_back(c.bits <= 8 ? index : 0x996633 ^ (i * 0x111111));
            colours.push_back(c.bits <= 8 ? palette[index] : values.back());
        }
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                expected.push_back(x < 5 && y < 3 ? colours[y * 5 + x] : 0);
        const auto file = makeBmp(5, 3, c.bits, values, c.bits <= 8 ? palette : std::vector<uint32_t>{}, c.topDown);
        bool ok = false;
        EXPECT_EQ(decode(file, c.width, c.height, &ok), rgbaOf(expected)) << c.bits << " bits, top-down " << c.topDown;
        EXPECT_TRUE(ok);
    }
}

TEST(BitmapReader, TruncatedAndHostileFiles)
{
    const std::vector<uint32_t> two = {0x070809, 0xC86432};
    const auto rgb = makeBmp(5, 4, 24, std::vector<uint32_t>(20, 0x996633));
    const auto indexed = makeBmp(2, 1, 8, {1, 0}, two);
    const auto with = [](std::vector<unsigned char> file, size_t at, int bytes, uint32_t value) {
        putLE(file, at, value, bytes);
        return file;
    };
    // Without pixels the file is rejected and reads as black.
    struct Case { std::string what; std::vector<unsigned char> file; std::vector<uint32_t> pixels; };
    std::vector<Case> cases = {
        {"magic", with(rgb, 0, 2, 0x4D43), {}},
        {"width 0", with(rgb, 18, 4, 0), {}},
        {"huge width", with(rgb, 18, 4, 0x7FFFFFFF), {}},
        {"height INT_MIN", with(rgb, 22, 4, 0x80000000u), {}},
        {"pixel offset 4 GiB", with(rgb, 10, 4, 0xFFFFFFFF), {}},
        {"16 bits", with(rgb, 28, 2, 16), {}},
        {"RLE compression", with(rgb, 30, 4, 1), {}},
        {"info header 13", with(rgb, 14, 4, 13), {}},
        // Accepted; palette entries missing from the file read as black.
        {"index past the palette", makeBmp(2, 1, 8, {1, 5}, two), {0xC86432, 0}},
        {"2^32 - 1 colours claimed", with(indexed, 46, 4, 0xFFFFFFFF), {0xC86432, 0x070809}},
        {"no palette, pixels where it would be", makeBmp(2, 1, 8, {200, 0}), {0, 0x0000C8}},
    };
    for (const auto* whole : {&rgb, &indexed})
        for (size_t length = 0; length < whole->size(); ++length)
            cases.push_back({"cut to " + std::to_string(length), {whole->begin(), whole->begin() + length}, {}});
    for (const Case& c : cases) {
        bool ok = false;
        EXPECT_EQ(decode(c.file, 2, 1, &ok), rgbaOf(c.pixels.empty() ? std::vector<uint32_t>{0, 0} : c.pixels))
            << c.what;
        EXPECT_EQ(ok, !c.pixels.empty()) << c.what;
    }
    EXPECT_FALSE(decodeBitmap(rgb.data(), rgb.size(), 1, 1, nullptr)) << "no room";
}
