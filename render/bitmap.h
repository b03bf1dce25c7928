// Platform: the pixels of a bitmap resource of the program's own module.
#pragma once

// Fills rgba (width * height * 4 bytes) with the top-left width x height
// pixels of bitmap resource `id`, top row first, each pixel as red, green,
// blue, 255. Pixels outside the bitmap read as black. False if there is
// no such bitmap (rgba is then all black, opaque).
bool readBitmapPixels(int id, int width, int height, unsigned char* rgba);
