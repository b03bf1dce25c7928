// Records which primitives the code under test opens while it compiles
// display lists: glNewList, glEndList and glBegin of this test program
// stand in front of the GL library's (and pass every call on to it).
#pragma once
#include <vector>

struct TracedBegin {
    unsigned list;   // the list being compiled, 0 outside any
    unsigned mode;   // GL_TRIANGLES, GL_TRIANGLE_FAN, ...
};

extern std::vector<TracedBegin> TracedBegins;
extern std::vector<unsigned> TracedLists;   // every glNewList, in order
extern bool GlTraceOn;
