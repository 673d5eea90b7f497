// scene4: a small scene the demo does not have, to show what adding one takes: a chair from the
// beach turning on the spot beside a fountain, under one lamp. Its row is appended to the sequence
// by the tests (addscene_gl.cpp); a scene of the demo would be the same handler in src/scenes/ and
// its row in the sequence table.
#include "scene4.h"

#include <GL/gl.h>

#include "camera/camera.h"
#include "core/catalogue.h"
#include "core/report.h"
#include "core/program.h"
#include "core/timer.h"
#include "image/image.h"
#include "image/texture.h"
#include "model/mesh.h"
#include "particles/effects.h"
#include "particles/papi.h"
#include "particles/render.h"
#include "scenes/stage.h"
#include "text/console.h"

namespace {

const char* const kModel = CAT_BEACH_MESHES[3]; // the chair
const float kTurnSpeed = 45.0f;                 // degrees per second
const float kLamp[4] = {4.0f, 8.0f, 10.0f, 1.0f};
const float kAmbient[4] = {0.3f, 0.3f, 0.35f, 1.0f};
const float kDiffuse[4] = {1.0f, 0.95f, 0.85f, 1.0f};

t3DModel* V4_Model = nullptr;
DemoCamera* V4_Camera = nullptr;
int V4_Fountain = -1;
int V4_HintLine = -1;
float V4_Angle = 0.0f; // degrees

void init() {
    V4_HintLine = CON_AddPinnedLine(VH_Console, "SCENE FOUR: A TURNING CHAIR AND A FOUNTAIN");
    V4_Camera = new DemoCamera(VECTOR(0.0f, 1.6f, 4.0f), VECTOR(0.0f, 0.8f, 0.0f), VECTOR(0.0f, 1.0f, 0.0f));
    V4_Model = MESH_Load3DSMesh(kModel, TEX_MIPMAP);
    V4_Fountain = PART_CreateGroups(1, 300);
    STAGE_Lamp(GL_LIGHT0, kLamp, kAmbient, kDiffuse);
    glEnable(GL_LIGHT0);
    V4_Angle = 0.0f;
    TIMER_GetDelta(); // the first update must not include the loading time
}

void update(float seconds) {
    V4_Angle += kTurnSpeed * seconds;
    PART_SetTimeStep(seconds * 100.0f);
    if (V4_Fountain >= 0) FX_Fountain(V4_Fountain);
}

void render() {
    if (V4_Camera) V4_Camera->Apply();
    if (V4_Model) {
        MESH_SetPlacement(V4_Model, -1.0f, 0.0f, 0.0f, 0.0f, V4_Angle, 0.0f, 1.0f, 1.0f, 1.0f);
        MESH_Draw(V4_Model, false);
    }
    if (V4_Fountain < 0) return;
    glPushMatrix();
    glTranslatef(1.2f, 0.0f, 0.0f);
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f); // the fountain rises along its z
    glScalef(0.3f, 0.3f, 0.3f);          // a fountain of six units, at arm's length
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glPointSize(3.0f);
    PART_SelectGroup(V4_Fountain);
    PART_DrawGroup(GL_POINTS, 0);
    glPointSize(1.0f);
    glEnable(GL_LIGHTING);
    glPopMatrix();
}

// Copes with a close that no initialise came before.
void close() {
    if (V4_HintLine >= 0) CON_RemoveLine(VH_Console, V4_HintLine);
    V4_HintLine = -1;
    delete V4_Camera;
    V4_Camera = nullptr;
    if (V4_Model) MESH_FreeInstance(V4_Model);
    V4_Model = nullptr;
    if (V4_Fountain >= 0) PART_FreeGroups(V4_Fountain, 1);
    V4_Fountain = -1;
    glDisable(GL_LIGHT0);
    MESH_Close();
    TEX_Clear();
}

} // namespace

float V4_GetAngle() {
    return V4_Angle;
}

void View4Main(float seconds, int /*param*/) {
    switch (VH_GetMsg()) {
    case MSG_INITIALIZE:
        init();
        break;
    case MSG_UPDATE:
        update(seconds);
        break;
    case MSG_CLOSE:
        close();
        break;
    case MSG_RENDER:
        render();
        break;
    case MSG_KEYBOARD:
        break;
    default:
        VH_Fail(nullptr, "scene four: message %d is not a message", VH_GetMsg());
    }
}
