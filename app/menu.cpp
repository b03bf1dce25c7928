// The 3D start menu: three option rows on the left, banner and buttons on
// the right, flip panels that turn one degree per frame, and picking of the
// clickable panels by an OpenGL selection pass.
#include "app/menu.h"

#include <cstring>

#include <GL/gl.h>
#include <GL/glu.h>

#include "app/app_state.h"
#include "app/dialog.h"
#include "app/main_loop.h"
#include "app/platform.h"
#include "net/connection.h"
#include "render/gl_setup.h"
#include "render/rain.h"

int32_t PickedItem = ITEM_NONE;
int32_t MenuOption[OPTION_COUNT] = {0, 0};
float ViewFlipAngle = 0.0f;
float ShapeFlipAngle = 180.0f;

namespace {

enum {
    SELECT_BUFFER_SIZE = 512,
    PICK_REGION = 5,
    MIN_SHOWN_HOST_LENGTH = 4,      // the menu shows HostName from this length on
    MIN_CONNECT_HOST_LENGTH = 6,    // "CONNECT!" accepts it from this length on
};

const char NoHostText[] = "Please enter an address";

GLuint SelectBuffer[SELECT_BUFFER_SIZE];

// A textured rectangle centred on the origin in the plane z = 0, with the
// picture's top row (t = 0) on its upper edge.
void drawPanelQuad(int index, const float* extents)
{
    const float halfWidth = extents[0], halfHeight = extents[1];
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, PanelTextures[index]);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f); glVertex3f(-halfWidth, halfHeight, 0.0f);
    glTexCoord2f(1.0f, 0.0f); glVertex3f(halfWidth, halfHeight, 0.0f);
    glTexCoord2f(1.0f, 1.0f); glVertex3f(halfWidth, -halfHeight, 0.0f);
    glTexCoord2f(0.0f, 1.0f); glVertex3f(-halfWidth, -halfHeight, 0.0f);
    glEnd();
}

// The panel quads of the three sizes, centred on the origin in z = 0.
void drawLabelQuad(int index) { drawPanelQuad(index, MenuQuadExtents[MENU_LABEL]); }
void drawBarQuad(int index) { drawPanelQuad(index, MenuQuadExtents[MENU_BAR]); }
void drawSlimQuad(int index) { drawPanelQuad(index, MenuQuadExtents[MENU_SLIM]); }

// The drawing of each quad size, by MENU_LABEL, MENU_BAR and MENU_SLIM.
void (*const DrawQuad[3])(int index) = {drawLabelQuad, drawBarQuad, drawSlimQuad};

void drawElementQuad(const MenuElement& e, int picture)
{
    DrawQuad[e.kind](picture);
}

// Length of HostName up to its NUL, which every writer of it puts there.
int hostNameLength()
{
    return static_cast<int>(strnlen(HostName, HOST_NAME_SIZE));
}

// One degree per frame towards the face that names each option's value.
void stepFlipAngles()
{
    const int32_t rain = MenuOption[OPTION_DISPLAY_MODE], standard = MenuOption[OPTION_WINDOW_MODE];
    if (rain != 0 && ViewFlipAngle > 0.0f)
        ViewFlipAngle -= 1.0f;
    else if (rain == 0 && ViewFlipAngle < 180.0f)
        ViewFlipAngle += 1.0f;

    if (standard == 0 && ShapeFlipAngle > 0.0f)
        ShapeFlipAngle -= 1.0f;
    else if (standard != 0 && ShapeFlipAngle < 180.0f)
        ShapeFlipAngle += 1.0f;
}

// Places the current matrix at an element: its centre, raised by `lift`
// towards the viewer, then its scale (the host text is scaled in its own
// plane only).
void placeElement(const MenuElement& e, float lift)
{
    glTranslatef(e.x, e.y, e.z + lift);
    if (e.scale != 1.0f)
        glScalef(e.scale, e.scale, e.kind == MENU_HOST_TEXT ? 1.0f : e.scale);
}

void drawElement(const MenuElement& e)
{
    glPushMatrix();
    placeElement(e, e.lift);
    if (e.kind == MENU_HOST_TEXT) {
        const char* text = hostNameLength() >= MIN_SHOWN_HOST_LENGTH ? HostName : NoHostText;
        drawGlyphString(text, 0.2f, 0);
    } else if (e.back == NO_PICTURE) {
        glColor3f(1.0f, 1.0f, 1.0f);
        drawElementQuad(e, e.front);
    } else {
        // Two quads back to back: the back one turned half a revolution
        // and set 0.01 behind; the depth test shows the nearer face.
        glRotatef(*e.flipAngle, 1.0f, 0.0f, 0.0f);
        drawElementQuad(e, e.front);
        glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
        glTranslatef(0.0f, 0.0f, 0.01f);
        drawElementQuad(e, e.back);
    }
    glPopMatrix();
}

}  // namespace

const float MenuQuadExtents[3][2] = {{1.0f, 0.5f}, {1.6f, 0.4f}, {1.6f, 0.2f}};

// The host text's first glyph is centred at (-2.5, -1.5, -4): the glyph
// quads stand 1 unit in front of the text's origin.
const MenuElement MenuLayout[MENU_ELEMENT_COUNT] = {
    {"display_label", ITEM_DISPLAY_MODE, MENU_LABEL, -4.0f, 1.5f, -4.0f, 0.0f, 1.0f, PANEL_DISPLAY_MODE, NO_PICTURE, nullptr},
    {"display_flip", ITEM_NONE, MENU_BAR, -1.25f, 1.5f, -4.0f, 0.0f, 1.0f, PANEL_RAIN_TITLE, PANEL_PERSPECTIVE_TITLE, &ViewFlipAngle},
    {"window_label", ITEM_WINDOW_MODE, MENU_LABEL, -4.0f, 0.0f, -4.0f, 0.0f, 1.0f, PANEL_WINDOW_MODE, NO_PICTURE, nullptr},
    {"window_flip", ITEM_NONE, MENU_SLIM, -1.25f, 0.0f, -4.0f, 0.0f, 1.0f, PANEL_WIDESCREEN, PANEL_STANDARD, &ShapeFlipAngle},
    {"host_label", ITEM_HOST_ADDRESS, MENU_LABEL, -4.0f, -1.5f, -4.0f, 0.0f, 1.0f, PANEL_HOST_ADDRESS, NO_PICTURE, nullptr},
    {"host_text", ITEM_NONE, MENU_HOST_TEXT, -2.5f, -1.5f, -5.0f, 0.0f, 0.75f, NO_PICTURE, NO_PICTURE, nullptr},
    {"connect", ITEM_CONNECT, MENU_BAR, 3.0f, -0.5f, -4.0f, 0.0f, 0.5f, PANEL_CONNECT, NO_PICTURE, nullptr},
    // Drawn over a long host name that runs under it.
    {"quit", ITEM_QUIT, MENU_BAR, 3.0f, -1.5f, -4.0f, 0.01f, 0.5f, PANEL_QUIT, NO_PICTURE, nullptr},
    {"banner", ITEM_NONE, MENU_BAR, 3.0f, 1.5f, -4.0f, 0.0f, 1.0f, PANEL_BANNER, NO_PICTURE, nullptr},
};

void drawMenu()
{
    stepFlipAngles();

    // The stencil, which nothing uses, is cleared with the depth: where the
    // two share a buffer, a clear of both fills it whole, while a clear of
    // the depth alone must read, mask and write every word of it.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glLoadIdentity();

    glPushMatrix();
    glColor3f(1.0f, 1.0f, 1.0f);
    for (const MenuElement& e : MenuLayout)
        drawElement(e);
    glColor3f(1.0f, 1.0f, 1.0f);
    glPopMatrix();
}

void clickMenu(int x, int y, int width, int height)
{
    PickedItem = pickMenuItem(x, y, width, height);
    // Any error since the last look, the pick's or an earlier drawing's.
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        const GLubyte* message = gluErrorString(error);
        showMessageBox(message ? reinterpret_cast<const char*>(message) : "OpenGL error", "Error",
                       MESSAGE_ERROR);
    }
}

// Resolves a click at client pixel (x, y), origin top left, to a pick name.
// The pick projection takes its aspect from the viewport, i.e. the client
// area the menu is drawn into, so the region under the pointer is tested
// against exactly the panels drawn there; width and height are not needed.
int pickMenuItem(int x, int y, int width, int height)
{
    (void)width;
    (void)height;

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    double aspect = viewport[3] > 0 ? static_cast<double>(viewport[2]) / viewport[3]
                                    : static_cast<double>(viewport[2]);

    glSelectBuffer(SELECT_BUFFER_SIZE, SelectBuffer);
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(0);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPickMatrix(static_cast<double>(x), static_cast<double>(viewport[3] - y),
                  PICK_REGION, PICK_REGION, viewport);
    gluPerspective(60.0, aspect, 1.0, 150.0);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    glColor3f(1.0f, 1.0f, 1.0f);
    for (const MenuElement& e : MenuLayout) {
        if (e.pick == ITEM_NONE)
            continue;
        glPushMatrix();
        glLoadName(static_cast<GLuint>(e.pick));
        placeElement(e, 0.0f);
        drawElementQuad(e, e.front);
        glPopMatrix();
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glFlush();
    GLint hits = glRenderMode(GL_RENDER);

    // Each record: name count, minimum depth, maximum depth, then its names.
    // The first record belongs to the earliest-drawn panel that was touched.
    if (hits > 0 && SelectBuffer[0] > 0)
        return static_cast<int>(SelectBuffer[3]);
    return ITEM_NONE;
}

void handleMenuAction()
{
    switch (PickedItem) {
    case ITEM_NONE:
        return;
    case ITEM_DISPLAY_MODE:
    case ITEM_WINDOW_MODE: {
        int32_t& option = MenuOption[PickedItem == ITEM_DISPLAY_MODE ? OPTION_DISPLAY_MODE : OPTION_WINDOW_MODE];
        option = 1 - option;
        break;
    }
    case ITEM_HOST_ADDRESS:
        if (!openConnectDialog()) {
            failAndQuit("Cant create dialog!", "Error");
        }
        break;
    case ITEM_CONNECT:
        if (hostNameLength() < MIN_CONNECT_HOST_LENGTH) {
            showMessageBox("Please select a valid host to connect to.",
                           "Invalid Host Address", MESSAGE_INFORMATION);
            // The next menu frame opens a connect dialog.
            PickedItem = ITEM_HOST_ADDRESS;
            return;
        }
        startSession(MenuOption[OPTION_DISPLAY_MODE], MenuOption[OPTION_WINDOW_MODE]);
        break;
    case ITEM_QUIT:
        requestQuit(0);
        break;
    default:
        break;
    }
    PickedItem = ITEM_NONE;
}
