// The perspective view's page kept as an image while it stands still. The
// page is the most work of a frame (every glyph a dozen triangles or so),
// and on an idle terminal it is the same frame after frame: once it has
// stood still for a moment it is drawn once more, alone, and read back,
// and from then on each frame shows it over the stars, in textured bands
// cut to where the page is, until its text, its scroll position or the
// view changes.
//
// The image gives exactly the pixels the glyphs give: its texels are the
// page's own pixels, shown one to one (nearest texel, centres on centres),
// and its alpha, kept apart from the colour, says where the page covers the
// stars, fully fogged black glyphs included.
#pragma once
#include <cstdint>

// Frames a page stands still before its image is made.
enum { PAGE_STILL_FRAMES = 30 };

extern int32_t PageImageFrames;   // frames drawn from the image so far

// At the start of a perspective frame, before anything is drawn: whether
// this frame shows the page from its image. `page` is what the page shows
// (the text of its rows) and `scroll` its scroll position; while they and
// the view stay the same, so does the page. When the image is due it is
// made here: `drawPage` draws the page alone into the frame, which is read
// back and left cleared.
bool usePageImage(void (*drawPage)(), const unsigned char* page, int pageBytes, float scroll);
// Draws the page from its image, over what the frame holds.
void drawPageImage();
// Forgets the image (the font changed): the next frames draw the page.
void forgetPageImage();
// Releases the image's texture (teardown).
void deletePageImage();
