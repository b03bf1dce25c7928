// The 3D start menu: three option rows on the left, banner and buttons on
// the right, flip panels that turn one degree per frame, and picking of the
// clickable panels by an OpenGL selection pass.
#include "app/menu.h"

#include <cstring>

#include <GL/gl.h>
#include <GL/glu.h>

#include "app/app_state.h"
#include "app/dialog.h"
#include "app/platform.h"
#include "net/connection.h"
#include "render/gl_setup.h"
#include "render/rain.h"

int32_t PickedItem = ITEM_NONE;
int32_t MenuOption[2] = {0, 0};
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
void drawPanelQuad(int index, float halfWidth, float halfHeight)
{
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

// Length of HostName up to its NUL. The buffer is closed with a NUL first so
// that neither this count nor the glyph drawer can run past its end.
int hostNameLength()
{
    HostName[HOST_NAME_SIZE - 1] = '\0';
    return static_cast<int>(std::strlen(HostName));
}

// One degree per frame towards the face that names each option's value.
void stepFlipAngles()
{
    if (MenuOption[0] != 0 && ViewFlipAngle > 0.0f)
        ViewFlipAngle -= 1.0f;
    else if (MenuOption[0] == 0 && ViewFlipAngle < 180.0f)
        ViewFlipAngle += 1.0f;

    if (MenuOption[1] == 0 && ShapeFlipAngle > 0.0f)
        ShapeFlipAngle -= 1.0f;
    else if (MenuOption[1] != 0 && ShapeFlipAngle < 180.0f)
        ShapeFlipAngle += 1.0f;
}

}  // namespace

void drawLabelQuad(int index) { drawPanelQuad(index, 1.0f, 0.5f); }
void drawBarQuad(int index) { drawPanelQuad(index, 1.6f, 0.4f); }
void drawSlimQuad(int index) { drawPanelQuad(index, 1.6f, 0.2f); }

void drawMenu()
{
    stepFlipAngles();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();

    handleMenuAction();

    glPushMatrix();
    glColor3f(1.0f, 1.0f, 1.0f);

    // Display mode: label, then the flip panel with the rain title in front
    // and the perspective title on its back.
    glPushMatrix();
    glTranslatef(-4.0f, 1.5f, -4.0f);
    drawLabelQuad(0);
    glTranslatef(2.75f, 0.0f, 0.0f);
    glRotatef(ViewFlipAngle, 1.0f, 0.0f, 0.0f);
    drawBarQuad(7);
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, 0.01f);
    drawBarQuad(6);
    glPopMatrix();

    // Window mode: label, then "WIDESCREEN" in front and "STANDARD" behind.
    glPushMatrix();
    glTranslatef(-4.0f, 0.0f, -4.0f);
    drawLabelQuad(1);
    glTranslatef(2.75f, 0.0f, 0.0f);
    glRotatef(ShapeFlipAngle, 1.0f, 0.0f, 0.0f);
    drawSlimQuad(8);
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, 0.01f);
    drawSlimQuad(9);
    glPopMatrix();

    // Host address: label, then the host name in glyph letters.
    glPushMatrix();
    glTranslatef(-4.0f, -1.5f, -4.0f);
    drawLabelQuad(2);
    glTranslatef(1.5f, 0.0f, -1.0f);
    glScalef(0.75f, 0.75f, 1.0f);
    const char* text = hostNameLength() >= MIN_SHOWN_HOST_LENGTH ? HostName : NoHostText;
    drawGlyphString(text, 0.2f, 0);
    glPopMatrix();

    glColor3f(1.0f, 1.0f, 1.0f);

    glPushMatrix();
    glTranslatef(3.0f, -0.5f, -4.0f);
    glScalef(0.5f, 0.5f, 0.5f);
    drawBarQuad(3);
    glPopMatrix();

    glPushMatrix();
    glTranslatef(3.0f, -1.5f, -3.99f);
    glScalef(0.5f, 0.5f, 0.5f);
    drawBarQuad(4);
    glPopMatrix();

    glPushMatrix();
    glTranslatef(3.0f, 1.5f, -4.0f);
    drawBarQuad(5);
    glPopMatrix();

    glPopMatrix();
}

// Resolves a click at client pixel (x, y), origin top left, to a pick name.
// The pick projection takes its aspect from the viewport, i.e. the client
// area the menu is drawn into, so the region under the pointer is tested
// against exactly the panels drawn there. width and height (the outer
// window size) are accepted for the caller's convenience but not needed.
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

    glPushMatrix();
    glLoadName(ITEM_DISPLAY_MODE);
    glTranslatef(-4.0f, 1.5f, -4.0f);
    drawLabelQuad(0);
    glPopMatrix();

    glPushMatrix();
    glLoadName(ITEM_WINDOW_MODE);
    glTranslatef(-4.0f, 0.0f, -4.0f);
    drawLabelQuad(1);
    glPopMatrix();

    glPushMatrix();
    glLoadName(ITEM_HOST_ADDRESS);
    glTranslatef(-4.0f, -1.5f, -4.0f);
    drawLabelQuad(2);
    glPopMatrix();

    glColor3f(1.0f, 1.0f, 1.0f);

    glPushMatrix();
    glLoadName(ITEM_CONNECT);
    glTranslatef(3.0f, -0.5f, -4.0f);
    glScalef(0.5f, 0.5f, 0.5f);
    drawBarQuad(3);
    glPopMatrix();

    // At the depth it is drawn at, so that its edges are where they show.
    glPushMatrix();
    glLoadName(ITEM_QUIT);
    glTranslatef(3.0f, -1.5f, -3.99f);
    glScalef(0.5f, 0.5f, 0.5f);
    drawBarQuad(4);
    glPopMatrix();

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glFlush();
    GLint hits = glRenderMode(GL_RENDER);

    GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        const GLubyte* message = gluErrorString(error);
        showMessageBox(message ? reinterpret_cast<const char*>(message) : "OpenGL error",
                       "Error", MESSAGE_ERROR);
    }

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
        MenuOption[0] = 1 - MenuOption[0];
        break;
    case ITEM_WINDOW_MODE:
        MenuOption[1] = 1 - MenuOption[1];
        break;
    case ITEM_HOST_ADDRESS:
        if (!openConnectDialog()) {
            showMessageBox("Cant create dialog!", "Error", MESSAGE_ERROR);
            requestQuit(0);
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
        connectToHost();
        TallScreen = MenuOption[1];
        ViewMode = MenuOption[0] == 0 ? VIEW_PERSPECTIVE : VIEW_RAIN;
        WindowAspect = MenuOption[1] == 0 ? 2.35f : 1.6f;
        ResizePending = 1;
        SessionRunning = 1;
        break;
    case ITEM_QUIT:
        requestQuit(0);
        break;
    default:
        break;
    }
    PickedItem = ITEM_NONE;
}
