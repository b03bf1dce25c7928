// The BMP reader of the Linux bitmap resources: rows read top row first, and truncated
// or hostile files refused without reading or writing out of bounds (under ASan too).
#include "render/bitmap_embedded.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using Values = std::vector<uint32_t>;

Bytes with(Bytes file, size_t at, int count, uint32_t value)   // little-endian
{
    for (int i = 0; i < count; ++i)
        file[at + i] = static_cast<unsigned char>(value >> (8 * i));
    return file;
}

// An uncompressed BMP, 40-byte info header, rows stored bottom-up. `values`
// run top row first: palette indices up to 8 bits, 0xRRGGBB above.
Bytes makeBmp(int width, int height, int bits, const Values& values, const Values& palette = {})
{
    const size_t stride = (size_t(width) * bits + 31) / 32 * 4, start = 54 + 4 * palette.size();
    Bytes file(start + stride * height, 0);
    const uint32_t fields[][3] = {   // offset, size, value
        {0, 2, 0x4D42}, {10, 4, uint32_t(start)}, {14, 4, 40}, {18, 4, uint32_t(width)},
        {22, 4, uint32_t(height)}, {26, 2, 1}, {28, 2, uint32_t(bits)}, {46, 4, uint32_t(palette.size())},
    };
    for (const auto& [at, size, value] : fields)
        file = with(file, at, int(size), value);
    for (size_t i = 0; i < palette.size(); ++i)
        file = with(file, 54 + 4 * i, 3, palette[i]);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t at = start + (height - 1 - y) * stride + x * bits / 8;
            const uint32_t v = values[y * width + x];
            file = bits >= 24 ? with(file, at, 3, v) : with(file, at, 1, file[at] | v << (8 - bits - x * bits % 8));
        }
    return file;
}

} // namespace

TEST(BitmapReader, ReadsEachFormatTopRowFirstAndRefusesTruncatedOrHostileFiles)
{
    // 3 x 3 pixels, so that rows are padded, read as the top-left 4 x 2: two
    // rows and a black column.
    const uint32_t P = 0x996633, Q = 0x123456;
    const Values two = {P, Q}, indices = {1, 0, 0, 0, 1, 1, 0, 1, 0}, colours = {Q, P, P, P, Q, Q, P, Q, P};
    const Values top = {Q, P, P, 0, P, Q, Q}, topDown = {P, Q, P, 0, P, Q, Q};   // stored rows taken as the top
    const Bytes rgb = makeBmp(5, 4, 24, Values(20, P)), indexed = makeBmp(2, 1, 8, {1, 0}, two);
    struct Case { std::string what; Bytes file; Values pixels; };
    std::vector<Case> cases = {
        {"24 bits", makeBmp(3, 3, 24, colours), top},
        {"24 bits, top-down", with(makeBmp(3, 3, 24, colours), 22, 4, -3), topDown},
        {"8 bits", makeBmp(3, 3, 8, indices, two), top},
        {"larger than read", rgb, Values(8, P)},
        // Refused, pixels and all.
        {"magic", with(rgb, 0, 2, 0x4D43), {}},
        {"width 0", with(rgb, 18, 4, 0), {}},
        {"huge width", with(rgb, 18, 4, 0x7FFFFFFF), {}},
        {"height INT_MIN", with(rgb, 22, 4, 0x80000000u), {}},
        {"pixel offset 4 GiB", with(rgb, 10, 4, 0xFFFFFFFF), {}},
        {"16 bits", with(rgb, 28, 2, 16), {}},
        {"RLE compression", with(rgb, 30, 4, 1), {}},
        {"info header 13", with(rgb, 14, 4, 13), {}},
        // Palette entries missing from the file read as black.
        {"index past the palette", makeBmp(2, 1, 8, {1, 5}, two), {Q, 0}},
        {"2^32 - 1 colours claimed", with(indexed, 46, 4, 0xFFFFFFFF), {Q, P}},
        {"no palette, pixels where it would be", makeBmp(2, 1, 8, {200, 0}), {0, 0x0000C8}},
    };
    for (const Bytes* whole : {&rgb, &indexed})
        for (size_t length = 0; length < whole->size(); ++length)
            cases.push_back({"cut to " + std::to_string(length), Bytes(whole->begin(), whole->begin() + length), {}});
    // Each file's buffer is exactly its size, so that ASan sees any read past its end.
    for (Case& c : cases) {
        Bytes rgba(4 * 2 * 4, 0xAA), expected;
        EXPECT_EQ(decodeBitmap(c.file.data(), c.file.size(), 4, 2, rgba.data()), !c.pixels.empty()) << c.what;
        c.pixels.resize(4 * 2, 0);   // refused files read as black
        for (uint32_t p : c.pixels)
            expected.insert(expected.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 255});
        EXPECT_EQ(rgba, expected) << c.what;
    }
    EXPECT_FALSE(decodeBitmap(rgb.data(), rgb.size(), 1, 1, nullptr)) << "no room";
}
