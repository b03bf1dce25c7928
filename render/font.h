// Platform: the outline font. Compiles lists base + 0 .. base + 254 with
// characters 0..254 of a bold sans-serif face as flat filled polygons at
// z = 0, em square = 1, origin at the left end of the baseline, each list
// ending with a translation by the advance width. List base + 255 stays
// empty. (The Linux lists hold one GL_TRIANGLES batch per glyph; WGL's
// mix fans, strips and triangles.) Also stores each glyph's
// triangles and advance as its mesh (text_mesh.h), after forgetting the
// meshes there were; a glyph whose triangles cannot be had is left without.
#pragma once

void buildFontOutlines(unsigned int base);
