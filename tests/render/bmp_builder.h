// Builds BMP files in memory for the reader and texture tests.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgb {
    unsigned char r, g, b;
};

// A 24- or 32-bit uncompressed BMP; pixels are given top row first and
// stored bottom-up (the usual layout) or top-down (negative height).
std::vector<unsigned char> makeTrueColourBmp(int width, int height, const std::vector<Rgb>& pixels,
                                             int bitCount = 24, bool topDown = false);

// A 1-, 4- or 8-bit palette BMP; indices top row first, stored bottom-up.
std::vector<unsigned char> makePaletteBmp(int width, int height, int bitCount,
                                          const std::vector<Rgb>& palette,
                                          const std::vector<int>& indices);

void putU16(std::vector<unsigned char>& bytes, size_t at, uint32_t value);
void putU32(std::vector<unsigned char>& bytes, size_t at, uint32_t value);
