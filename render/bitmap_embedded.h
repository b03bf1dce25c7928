// Linux: the bitmap resources compiled into the program (a source generated
// from resources/ at build time) and the reader of their BMP format.
#pragma once
#include <cstddef>

struct EmbeddedBitmap {
    int id;                       // resource number, 107..117
    const unsigned char* data;    // the whole .bmp file
    size_t size;
};

// Entries 0 .. EmbeddedBitmapCount - 1, then an entry with id 0.
extern const EmbeddedBitmap EmbeddedBitmaps[];
extern const int EmbeddedBitmapCount;

// Decodes the top-left width x height pixels of an uncompressed BMP file
// (1, 4, 8, 24 or 32 bits per pixel, rows stored bottom-up or top-down)
// into rgba: top row first, each pixel red, green, blue, 255. Pixels
// outside the image are black. Never reads outside data[0 .. size - 1].
// False if the file cannot be read (rgba is then all black, opaque).
bool decodeBitmap(const unsigned char* data, size_t size, int width, int height,
                  unsigned char* rgba);
