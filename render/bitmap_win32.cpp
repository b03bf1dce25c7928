// Windows: bitmap resources of the program's own module, read pixel by pixel
// through a memory device context.
#include "bitmap.h"

#include <windows.h>

bool readBitmapPixels(int id, int width, int height, unsigned char* rgba)
{
    unsigned char* out = rgba;
    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(id));
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = (bitmap && memory) ? SelectObject(memory, bitmap) : NULL;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            COLORREF colour = previous ? GetPixel(memory, x, y) : CLR_INVALID;
            if (colour == CLR_INVALID)  // outside the bitmap, or no bitmap
                colour = 0;
            *out++ = GetRValue(colour);
            *out++ = GetGValue(colour);
            *out++ = GetBValue(colour);
            *out++ = 255;
        }
    }
    if (previous)
        SelectObject(memory, previous);
    if (memory)
        DeleteDC(memory);
    if (screen)
        ReleaseDC(NULL, screen);
    if (bitmap)
        DeleteObject(bitmap);
    return previous != NULL;
}
