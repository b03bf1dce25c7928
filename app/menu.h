// The 3D start menu: label panels, flip panels, host text, banner and
// buttons; picking by an OpenGL selection pass.
#pragma once
#include <cstdint>

enum {
    ITEM_NONE = -1, ITEM_DISPLAY_MODE = 0, ITEM_WINDOW_MODE = 1,
    ITEM_HOST_ADDRESS = 2, ITEM_CONNECT = 3, ITEM_QUIT = 4,
};

// What is drawn at a place of the menu.
enum {
    MENU_LABEL,        // a 2 x 1 quad
    MENU_BAR,          // a 3.2 x 0.8 quad
    MENU_SLIM,         // a 3.2 x 0.4 quad
    MENU_HOST_TEXT,    // the host name in glyph letters
    NO_PICTURE = -1,
};

// One element of the menu: its centre in eye coordinates (the viewer at
// the origin looking along -z), its scale, what is drawn there and what a
// click on it picks. A flip panel has a picture on each face and turns
// about its horizontal axis by *flipAngle degrees. An element with a lift
// is drawn that much nearer than its centre, over whatever runs under it,
// and picked at its centre.
struct MenuElement {
    const char* name;
    int32_t pick;            // pick name; ITEM_NONE where a click picks nothing
    int32_t kind;            // MENU_LABEL .. MENU_HOST_TEXT
    float x, y, z, lift, scale;
    int32_t front, back;     // PanelTextures indices; back NO_PICTURE unless it flips
    float* flipAngle;
};

enum { MENU_ELEMENT_COUNT = 9 };
// Drawn in this order; the clickable ones are picked in this order too,
// so when a click touches two panels the earlier one wins.
extern const MenuElement MenuLayout[MENU_ELEMENT_COUNT];
// Half width and half height of MENU_LABEL, MENU_BAR and MENU_SLIM.
extern const float MenuQuadExtents[3][2];

// The two options of the menu, as indices of MenuOption.
enum {
    OPTION_DISPLAY_MODE = 0,   // 0 the perspective view, 1 the rain view
    OPTION_WINDOW_MODE = 1,    // 0 widescreen, 1 standard
    OPTION_COUNT = 2,
};

extern int32_t PickedItem;        // the item of the last click not yet acted on
extern int32_t MenuOption[OPTION_COUNT];
extern float ViewFlipAngle;
extern float ShapeFlipAngle;

// One menu frame's animation (the flip panels turn a degree) and drawing.
void drawMenu();
// A left click at client pixel (x, y) of a client area width x height:
// picks the item under it for the next handleMenuAction, and shows an
// OpenGL error the pick met.
void clickMenu(int x, int y, int width, int height);
// The item under client pixel (x, y), by an OpenGL selection pass; ITEM_NONE
// where there is none.
int pickMenuItem(int x, int y, int width, int height);
// Acts once on the item picked last: toggles an option, opens a connect
// dialog, starts the session or asks to quit.
void handleMenuAction();
