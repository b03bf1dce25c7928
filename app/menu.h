// The 3D start menu: label panels, flip panels, host text, banner and
// buttons; picking by an OpenGL selection pass.
#pragma once
#include <cstdint>

enum {
    ITEM_NONE = -1, ITEM_DISPLAY_MODE = 0, ITEM_WINDOW_MODE = 1,
    ITEM_HOST_ADDRESS = 2, ITEM_CONNECT = 3, ITEM_QUIT = 4,
};

extern int32_t PickedItem;
extern int32_t MenuOption[2];     // [0] 1: rain view; [1] 1: standard window
extern float ViewFlipAngle;
extern float ShapeFlipAngle;

void drawMenu();
int pickMenuItem(int x, int y, int width, int height);
void handleMenuAction();
void drawLabelQuad(int index);
void drawBarQuad(int index);
void drawSlimQuad(int index);
