// state: the program state machine, its control variables and message protocol,
// the GL start-up state, key dispatch and the exit state with its credits.
#include "shell/state.h"

#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "image/texture.h"
#include "model/mesh.h"
#include "core/debuglog.h"
#include "core/glerror.h"
#include "core/platform.h"
#include "shell/sequence.h"
#include "shell/window.h"
#include "text/console.h"
#include "text/credits.h"
#include "text/font.h"

int VH_State = 0;
int VH_ID = 0;
int VH_Msg = 0;
bool VH_SceneReady = false;
int VH_Key = 0;
bool VH_KeySpecial = false;
int newSTATE = 0;
int newID = 0;
int newMSG = 0;
bool VH_ExitRequested = false;
bool VH_CreditsDrawn = false;
bool VH_KeyHit = false;

namespace {
const char* const dataFileName = "vh_data.clu";
const char* const bannerLine = "VEXHAL DEMO ENGINE - OPENGL 1.1 - BACKQUOTE HIDES THIS CONSOLE";

// The exit state is entered on its first idle step, whatever message is pending: an
// 'n' pressed between the last scene's close and that step must not stop the credits.
bool exitEntered = false;
bool exitTimerRan = false; // keys count only once the 3000 ms timer has fired

void runExitState() {
    if (VH_ExitRequested) {
        VH_Close();
        DBG_Close();
        VH_Exit(0);
    }
    if (!exitEntered) {
        exitEntered = true;
        VH_SetDisplayFunc(VH_CreditsDisplay);
        VH_KeyHit = false;
        VH_ScheduleTimer(3000, VH_ExitTimer, 42);
        return;
    }
    if (!exitTimerRan) VH_KeyHit = false;
}
} // namespace

void VH_ResetExitState() {
    exitEntered = false;
    exitTimerRan = false;
    VH_ExitRequested = false;
    VH_CreditsDrawn = false;
    VH_KeyHit = false;
}

void VH_Initialize() {
    FILE* data = std::fopen(dataFileName, "rb");
    if (!data) {
        std::printf("ERROR: DATA FILE:%s NOT FOUND", dataFileName);
        std::fflush(stdout);
        VH_Exit(1);
    }
    std::fclose(data);

    VH_State = VHS_INTRO;
    VH_ID = 3;
    VH_Msg = MSG_INITIALIZE;
    VH_SceneReady = false;

    std::srand((unsigned)std::time(nullptr));

    TEX_Init();
    MESH_Init();
    FNT_LoadFonts();

    CON_AddLine(VH_Console, bannerLine);
    VH_FPSLine = CON_AddPinnedLine(VH_Console, "FPS COUNTER: ");
    CON_SetPicture(VH_Console, TEX_Load("con_pic.bmp", 5, 1));
    CON_AddPinnedLine(VH_Console, "Press the 'n' key to go to the next scene. Press the 'ESC' key to exit");
}

void VH_Close() {
    FNT_ReleaseFonts();
    TEX_Shutdown();
    MESH_Close();
}

void VH_MainGLInit() {
    GLERR_ReportLabel("ENTERING VH_MainGLInit()");

    glClearColor(0, 0, 0, 0);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_TEXTURE_2D);
    glPointSize(3.0f);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);

    glHint(GL_FOG_HINT, GL_NICEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);

    // Alphas are ours to choose; with colour tracking on, only the specular one remains.
    const GLfloat ambient[4] = {0.25f, 0.25f, 0.25f, 1.0f};
    const GLfloat diffuse[4] = {0.2f, 0.25f, 0.25f, 1.0f};
    const GLfloat specular[4] = {0.25f, 0.25f, 0.25f, 1.0f};
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT, GL_SHININESS, 25.0f);

    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);

    // These three stay on for the whole run; every vertex-array drawer relies on it.
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);

    glMatrixMode(GL_MODELVIEW);

    GLERR_ReportLabel("EXITING VH_MainGLInit()");
}

void VH_MainIdle(float seconds) {
    switch (VH_State) {
    case VHS_SCENE: VH_RunScene(seconds); break;
    case VHS_INTRO: VH_RunIntro(seconds); break;
    case VHS_TRANSITION: VH_RunTransition(seconds); break;
    case VHS_EXIT: runExitState(); break;
    default: VH_Exit(1);
    }
    CON_Update(VH_Console, (double)seconds);
}

void VH_MainRender() {
    switch (VH_State) {
    case VHS_SCENE: VH_RenderScene(); break;
    case VHS_INTRO: VH_RenderIntro(); break;
    case VHS_TRANSITION: VH_RenderTransition(); break;
    case VHS_EXIT: break;
    default: VH_Exit(1);
    }
    CON_Render(VH_Console);
}

void VH_Keyboard(int key, bool special, int /*x*/, int /*y*/) {
    // The scene sees the key first, and only while it is running normally.
    if (VH_State == VHS_SCENE && VH_Msg == MSG_UPDATE) {
        VH_Key = key;
        VH_KeySpecial = special;
        VH_Msg = MSG_KEYBOARD;
        VH_RunScene(1.0f);
        VH_Msg = MSG_UPDATE;
    }
    if (special) {
        CON_SpecialKey(VH_Console, key);
        VH_KeyHit = true;
        return;
    }
    CON_Key(VH_Console, key);
    if (key == 27) {
        VH_Close();
        DBG_Close();
        VH_Exit(0);
    } else if (key == 0x60) {
        CON_Toggle(VH_Console);
    } else if (key == 0x6E) {
        VH_Msg = MSG_CLOSE;
    }
    VH_KeyHit = true;
}

void VH_ExitTimer(int value) {
    if (value != 42) return;
    exitTimerRan = true;
    if (VH_KeyHit)
        VH_ExitRequested = true;
    else
        VH_ScheduleTimer(250, VH_ExitTimer, 42);
}

// Both buffers get the credits once; after that a swap alone keeps the picture.
void VH_CreditsDisplay() {
    if (!VH_CreditsDrawn) {
        glClear(GL_COLOR_BUFFER_BIT);
        CRED_Draw();
        VH_SwapBuffers();
        glClear(GL_COLOR_BUFFER_BIT);
        CRED_Draw();
        VH_CreditsDrawn = true;
    }
    VH_SwapBuffers();
}
