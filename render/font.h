// Platform: the outline font. Compiles lists base + 0 .. base + 254 with
// characters 0..254 of a bold sans-serif face as flat filled polygons at
// z = 0, em square = 1, origin at the left end of the baseline, each list
// ending with a translation by the advance width. List base + 255 stays
// empty. One GL_TRIANGLES batch per glyph.
#pragma once

void buildFontOutlines(unsigned int base);
