// The BMP reader behind the Linux bitmap resources, and the embedded
// resources themselves.
#include "render/bitmap.h"
#include "render/bitmap_embedded.h"
#include "tests/render/bmp_builder.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

std::vector<Rgb> testPattern(int width, int height)
{
    std::vector<Rgb> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back({static_cast<unsigned char>(10 + x), static_cast<unsigned char>(100 + y),
                              static_cast<unsigned char>(200 + x + y)});
    pixels[0] = {153, 102, 51};
    return pixels;
}

std::vector<unsigned char> decode(const std::vector<unsigned char>& file, int width, int height,
                                  bool* ok)
{
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4, 0xAA);
    *ok = decodeBitmap(file.data(), file.size(), width, height, rgba.data());
    return rgba;
}

void expectAllOpaqueBlack(const std::vector<unsigned char>& rgba, const std::string& what)
{
    for (size_t i = 0; i < rgba.size(); i += 4) {
        ASSERT_EQ(rgba[i], 0) << what << " at byte " << i;
        ASSERT_EQ(rgba[i + 1], 0) << what << " at byte " << i;
        ASSERT_EQ(rgba[i + 2], 0) << what << " at byte " << i;
        ASSERT_EQ(rgba[i + 3], 255) << what << " at byte " << i;
    }
}

// Pixel (x, y) of an RGBA buffer of the given width.
std::vector<int> pixelAt(const std::vector<unsigned char>& rgba, int width, int x, int y)
{
    const size_t i = (static_cast<size_t>(y) * width + x) * 4;
    return {rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
}

} // namespace

TEST(BitmapReader, TrueColourRowsComeTopFirstInRgbaOrder)
{
    struct Case { int bitCount; bool topDown; };
    for (const Case c : {Case{24, false}, Case{24, true}, Case{32, false}, Case{32, true}}) {
        SCOPED_TRACE("bits " + std::to_string(c.bitCount) + (c.topDown ? " top-down" : " bottom-up"));
        const int width = 5, height = 3;   // 5 * 3 bytes: rows need padding
        const std::vector<Rgb> pixels = testPattern(width, height);
        bool ok = false;
        const auto rgba = decode(makeTrueColourBmp(width, height, pixels, c.bitCount, c.topDown),
                                 width, height, &ok);
        ASSERT_TRUE(ok);
        EXPECT_EQ(pixelAt(rgba, width, 0, 0), (std::vector<int>{153, 102, 51, 255}));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const Rgb& p = pixels[y * width + x];
                EXPECT_EQ(pixelAt(rgba, width, x, y), (std::vector<int>{p.r, p.g, p.b, 255}))
                    << "pixel " << x << "," << y;
            }
    }
}

TEST(BitmapReader, ReadsTheTopLeftRegionAndPadsWithBlack)
{
    const std::vector<Rgb> pixels = testPattern(4, 4);
    const auto file = makeTrueColourBmp(4, 4, pixels);
    bool ok = false;

    const auto smaller = decode(file, 2, 3, &ok);   // a part of the image
    ASSERT_TRUE(ok);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x) {
            const Rgb& p = pixels[y * 4 + x];
            EXPECT_EQ(pixelAt(smaller, 2, x, y), (std::vector<int>{p.r, p.g, p.b, 255}));
        }

    const auto larger = decode(file, 6, 5, &ok);    // beyond the image: black
    ASSERT_TRUE(ok);
    EXPECT_EQ(pixelAt(larger, 6, 3, 3), (std::vector<int>{pixels[15].r, pixels[15].g, pixels[15].b, 255}));
    EXPECT_EQ(pixelAt(larger, 6, 4, 0), (std::vector<int>{0, 0, 0, 255}));
    EXPECT_EQ(pixelAt(larger, 6, 0, 4), (std::vector<int>{0, 0, 0, 255}));
    EXPECT_EQ(pixelAt(larger, 6, 5, 4), (std::vector<int>{0, 0, 0, 255}));
}

TEST(BitmapReader, PaletteImagesOfOneFourAndEightBits)
{
    const std::vector<Rgb> palette = {{0, 0, 0}, {153, 102, 51}, {255, 255, 255}, {1, 2, 3}};
    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE("bits " + std::to_string(bits));
        const int width = 11, height = 2;
        std::vector<int> indices;
        const int colours = bits == 1 ? 2 : 4;
        for (int i = 0; i < width * height; ++i)
            indices.push_back((i * 7 + i / width) % colours);
        const std::vector<Rgb> used(palette.begin(), palette.begin() + colours);
        bool ok = false;
        const auto rgba = decode(makePaletteBmp(width, height, bits, used, indices), width, height, &ok);
        ASSERT_TRUE(ok);
        for (int i = 0; i < width * height; ++i) {
            const Rgb& p = used[indices[i]];
            EXPECT_EQ(pixelAt(rgba, width, i % width, i / width), (std::vector<int>{p.r, p.g, p.b, 255}))
                << "pixel " << i;
        }
    }
}

TEST(BitmapReader, IndexBeyondThePaletteIsBlack)
{
    // Two palette entries, but the pixels use index 5.
    const auto file = makePaletteBmp(2, 1, 8, {{9, 9, 9}, {200, 100, 50}}, {1, 5});
    bool ok = false;
    const auto rgba = decode(file, 2, 1, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(pixelAt(rgba, 2, 0, 0), (std::vector<int>{200, 100, 50, 255}));
    EXPECT_EQ(pixelAt(rgba, 2, 1, 0), (std::vector<int>{0, 0, 0, 255}));
}

TEST(BitmapReader, EveryTruncationIsRejectedWithoutReadingPastTheEnd)
{
    const auto whole = makeTrueColourBmp(5, 4, testPattern(5, 4));
    for (size_t length = 0; length < whole.size(); ++length) {
        // An exact-size copy, so that a read past its end is caught by ASan.
        const std::vector<unsigned char> cut(whole.begin(), whole.begin() + length);
        bool ok = true;
        const auto rgba = decode(cut, 5, 4, &ok);
        EXPECT_FALSE(ok) << "length " << length;
        expectAllOpaqueBlack(rgba, "length " + std::to_string(length));
    }
    const auto palette = makePaletteBmp(3, 3, 8, {{1, 1, 1}, {2, 2, 2}}, {0, 1, 0, 1, 0, 1, 0, 1, 0});
    for (size_t length = 0; length < palette.size(); ++length) {
        const std::vector<unsigned char> cut(palette.begin(), palette.begin() + length);
        bool ok = true;
        decode(cut, 3, 3, &ok);
        EXPECT_FALSE(ok) << "palette file, length " << length;
    }
}

TEST(BitmapReader, HostileHeadersAreRejected)
{
    struct Field { const char* what; size_t at; int bytes; uint32_t value; };
    const Field cases[] = {
        {"magic", 0, 2, 0x4D42 + 1},
        {"width 0", 18, 4, 0},
        {"negative width", 18, 4, static_cast<uint32_t>(-5)},
        {"huge width", 18, 4, 0x7FFFFFFF},
        {"height 0", 22, 4, 0},
        {"height INT_MIN", 22, 4, 0x80000000u},
        {"huge height", 22, 4, 0x7FFFFFFF},
        {"huge negative height", 22, 4, static_cast<uint32_t>(-0x7FFFFFFF)},
        {"pixels past the end", 10, 4, 0x10000},
        {"pixel offset 4 GiB", 10, 4, 0xFFFFFFFF},
        {"0 bits", 28, 2, 0},
        {"16 bits", 28, 2, 16},
        {"2 bits", 28, 2, 2},
        {"64 bits", 28, 2, 64},
        {"RLE compression", 30, 4, 1},
        {"bit-field compression", 30, 4, 3},
        {"info header 0", 14, 4, 0},
        {"info header 13", 14, 4, 13},
        {"info header 4 GiB", 14, 4, 0xFFFFFFFF},
    };
    const auto valid = makeTrueColourBmp(4, 4, testPattern(4, 4));
    for (const Field& c : cases) {
        std::vector<unsigned char> file = valid;
        if (c.bytes == 2)
            putU16(file, c.at, c.value);
        else
            putU32(file, c.at, c.value);
        bool ok = true;
        const auto rgba = decode(file, 4, 4, &ok);
        EXPECT_FALSE(ok) << c.what;
        expectAllOpaqueBlack(rgba, c.what);
    }
}

TEST(BitmapReader, PaletteCountsBeyondTheFileStayInside)
{
    // The colour count claims 2^32 - 1 entries, and 256 entries of an 8-bit
    // file would run past its end: only the entries present are used.
    auto file = makePaletteBmp(2, 1, 8, {{7, 8, 9}}, {0, 0});
    putU32(file, 46, 0xFFFFFFFF);
    std::vector<unsigned char> exact(file.begin(), file.end());
    bool ok = false;
    auto rgba = decode(exact, 2, 1, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(pixelAt(rgba, 2, 1, 0), (std::vector<int>{7, 8, 9, 255}));

    // A pixel array that starts inside the palette area: indices that point
    // past the end of the file read as black.
    file = makePaletteBmp(2, 1, 8, {}, {0, 0});
    file[54] = 200;                 // index of pixel 0
    putU32(file, 46, 0);            // 256 colours claimed
    exact.assign(file.begin(), file.end());
    rgba = decode(exact, 2, 1, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(pixelAt(rgba, 2, 0, 0), (std::vector<int>{0, 0, 0, 255}));
}

TEST(BitmapReader, NoDataOrNoRoomIsRejected)
{
    unsigned char rgba[4] = {1, 2, 3, 4};
    EXPECT_FALSE(decodeBitmap(nullptr, 0, 1, 1, rgba));
    EXPECT_EQ(rgba[3], 255);
    const auto file = makeTrueColourBmp(1, 1, {{1, 2, 3}});
    EXPECT_FALSE(decodeBitmap(file.data(), file.size(), 1, 1, nullptr));
    EXPECT_FALSE(decodeBitmap(file.data(), file.size(), 0, 1, rgba));
}

TEST(BitmapResources, UnknownBitmapReadsAsOpaqueBlack)
{
    std::vector<unsigned char> rgba(8 * 4 * 4, 0x55);
    EXPECT_FALSE(readBitmapPixels(999, 8, 4, rgba.data()));
    expectAllOpaqueBlack(rgba, "bitmap 999");
}

TEST(BitmapResources, AllElevenBitmapsAreBuiltInAtTheirSizes)
{
    struct Expected { int id, width, height; };
    const Expected bitmaps[] = {
        {107, 768, 16}, {108, 128, 64}, {109, 128, 64}, {110, 128, 64}, {111, 256, 64},
        {112, 128, 32}, {113, 256, 32}, {114, 256, 64}, {115, 256, 64}, {116, 256, 32},
        {117, 128, 32},
    };
    for (const Expected& e : bitmaps) {
        SCOPED_TRACE("bitmap " + std::to_string(e.id));
        const EmbeddedBitmap* found = nullptr;
        for (int i = 0; i < EmbeddedBitmapCount; ++i)
            if (EmbeddedBitmaps[i].id == e.id)
                found = &EmbeddedBitmaps[i];
        ASSERT_NE(found, nullptr);
        ASSERT_GE(found->size, 26u);
        const unsigned char* d = found->data;
        const int32_t width = d[18] | d[19] << 8 | d[20] << 16 | d[21] << 24;
        int32_t height = d[22] | d[23] << 8 | d[24] << 16 | d[25] << 24;
        EXPECT_EQ(width, e.width);
        EXPECT_EQ(height < 0 ? -height : height, e.height);

        std::vector<unsigned char> rgba(static_cast<size_t>(e.width) * e.height * 4);
        ASSERT_TRUE(readBitmapPixels(e.id, e.width, e.height, rgba.data()));
        int lit = 0;
        for (size_t i = 0; i < rgba.size(); i += 4) {
            ASSERT_EQ(rgba[i + 3], 255);
            lit += rgba[i] + rgba[i + 1] + rgba[i + 2] > 0;
        }
        EXPECT_GT(lit, 0) << "an empty picture";
    }
}
