// state: the program state machine, its control variables and message protocol,
// the GL start-up state, key dispatch and the exit state with its credits.
#include "shell/state.h"

#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "core/catalogue.h"
#include "core/passmark.h"
#include "core/debuglog.h"
#include "core/glerror.h"
#include "core/keys.h"
#include "core/platform.h"
#include "core/report.h"
#include "data/resfile.h"
#include "image/texture.h"
#include "model/mesh.h"
#include "shell/commands.h"
#include "shell/frames.h"
#include "shell/sequence.h"
#include "shell/window.h"
#include "text/console.h"
#include "text/credits.h"
#include "text/font.h"

namespace {
const char* const bannerLine = "VEXHAL DEMO ENGINE - OPENGL 1.1 - BACKQUOTE HIDES THIS CONSOLE";

// The exit state is entered on its first idle step, whatever message is pending: an
// 'n' pressed between the last scene's close and that step must not stop the credits.
bool exitEntered = false;
bool exitTimerRan = false; // keys count only once the 3000 ms timer has fired
bool exitRequested = false;
bool creditsDrawn = false;
bool keyHit = false;
const int kExitTimerValue = 42; // tells our timer from any other
int staleTimers = 0;            // timers of exit states left since; they fire before any newer one

void runExitState() {
    if (exitRequested) {
        VH_Close();
        DBG_Close();
        VH_Exit(0);
    }
    if (!exitEntered) {
        exitEntered = true;
        VH_SetDisplayFunc(VH_CreditsDisplay);
        keyHit = false;
        VH_ScheduleTimer(3000, VH_ExitTimer, kExitTimerValue);
        return;
    }
    if (!exitTimerRan) keyHit = false;
}
// An archive that cannot serve at all is found here rather than at the first asset a
// scene needs: every later load would fail quietly and the run would play black.
void checkArchive() {
    struct stat info;
    if (stat(CAT_ARCHIVE, &info) == 0 && S_ISDIR(info.st_mode)) VH_Fail(CAT_ARCHIVE, "is a folder, not an archive");
    CResFile archive;
    if (archive.Open(CAT_ARCHIVE, "rb")) return;
    const Uint16 code = archive.GetError();
    const char* detail = archive.FaultText();
    VH_Fail(CAT_ARCHIVE, "%s", *detail ? detail : RES_ErrorText(code));
}
} // namespace

bool VH_CreditsShown() {
    return creditsDrawn;
}
bool VH_IsExitRequested() {
    return exitRequested;
}

void VH_LeaveExitState() {
    if (!exitEntered) return;
    if (!exitRequested) ++staleTimers; // its timer is still to come
    VH_ResetExitState();
    VH_SetDisplayFunc(display);
}

void VH_ResetExitState() {
    exitEntered = false;
    exitTimerRan = false;
    exitRequested = false;
    creditsDrawn = false;
    keyHit = false;
}

void VH_Initialize() {
    FILE* data = std::fopen(CAT_ARCHIVE, "rb");
    if (!data) {
        const int cause = errno;
        std::printf("ERROR: DATA FILE:%s NOT FOUND", CAT_ARCHIVE);
        std::fflush(stdout);
        VH_NoteOpenLine(true);
        // The archive is looked for in the working folder only; saying which folder that was,
        // and the two ways to point elsewhere, answers the usual first-run mistake.
        char folder[4096];
        const std::string note =
            std::string("looked for ") + CAT_ARCHIVE + " in " +
            (getcwd(folder, sizeof folder) ? folder : "the working folder") +
            "; start the demo where the data is (cd build/run) or name that folder with --data DIR";
        VH_FailNote(note.c_str(), CAT_ARCHIVE, "cannot be opened (%s)", std::strerror(cause));
    }
    std::fclose(data);
    checkArchive();

    VH_EnterRow(0);
    VH_SetSceneReady(false);

    std::srand((unsigned)std::time(nullptr));

    TEX_Init();
    MESH_Init();
    FNT_LoadFonts();

    CON_AddLine(VH_Console, bannerLine);
    VH_SetFPSLine(CON_AddPinnedLine(VH_Console, "FPS COUNTER: "));
    CON_SetPicture(VH_Console, TEX_Load(CAT_CONSOLE_PICTURE, TEX_REPEAT | TEX_MIPMAP, 1));
    CON_AddPinnedLine(VH_Console, "Press the 'n' key to go to the next scene. Press the 'ESC' key to exit");
    VH_RegisterCommands();
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
    switch (VH_GetState()) {
    case VHS_SCENE:
        VH_RunScene(seconds);
        break;
    case VHS_INTRO:
        VH_RunIntro(seconds);
        break;
    case VHS_TRANSITION:
        VH_RunTransition(seconds);
        break;
    case VHS_EXIT:
        runExitState();
        break;
    default:
        VH_Fail(nullptr, "program state %d is not a state", VH_GetState());
    }
    CON_Update(VH_Console, (double)seconds);
}

void VH_MainRender() {
    VH_BeginPass(VH_PASS_OTHER);
    if (VH_Wireframe()) glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    switch (VH_GetState()) {
    case VHS_SCENE:
        VH_RenderScene();
        break;
    case VHS_INTRO:
        VH_RenderIntro();
        break;
    case VHS_TRANSITION:
        VH_RenderTransition();
        break;
    case VHS_EXIT:
        break;
    default:
        VH_Fail(nullptr, "program state %d is not a state", VH_GetState());
    }
    if (VH_Wireframe()) glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    VH_BeginPass(VH_PASS_TEXT);
    CON_Render(VH_Console);
}

void VH_Keyboard(int key, bool special, int /*x*/, int /*y*/) {
    // The developer's keys work everywhere and go on like any other key.
    if (special && key == VH_SPECIAL_F3) VH_ToggleFrameGraph();
    if (special && key == VH_SPECIAL_F12) VH_ShotCommand("");
    // A console that keeps the keys lets only ESC and the backquote through to the program.
    if (CON_KeepsKeys(VH_Console) && (special || (key != VH_KEY_ESCAPE && key != VH_KEY_BACKQUOTE))) {
        if (special)
            CON_SpecialKey(VH_Console, key);
        else
            CON_Key(VH_Console, key);
        return;
    }
    // The scene sees the key first, and only while it is running normally.
    if (VH_GetState() == VHS_SCENE && VH_GetMsg() == MSG_UPDATE) {
        VH_SetKey(key, special);
        VH_SetMsg(MSG_KEYBOARD);
        VH_RunScene(1.0f);
        VH_SetMsg(MSG_UPDATE);
    }
    if (special) {
        CON_SpecialKey(VH_Console, key);
        keyHit = true;
        return;
    }
    CON_Key(VH_Console, key);
    if (key == VH_KEY_ESCAPE) {
        VH_Quit();
    } else if (key == VH_KEY_BACKQUOTE) {
        CON_Toggle(VH_Console);
    } else if (key == VH_KEY_NEXT) {
        VH_SetMsg(MSG_CLOSE);
    }
    keyHit = true;
}

void VH_Quit() {
    VH_Close();
    DBG_Close();
    VH_Exit(0);
}

void VH_ExitTimer(int value) {
    if (value != kExitTimerValue) return;
    if (staleTimers > 0) { // a left exit state's timer: it ends here, without polling again
        --staleTimers;
        return;
    }
    exitTimerRan = true;
    if (keyHit)
        exitRequested = true;
    else
        VH_ScheduleTimer(250, VH_ExitTimer, kExitTimerValue);
}

// Both buffers get the credits once; after that a swap alone keeps the picture.
void VH_CreditsDisplay() {
    if (!creditsDrawn) {
        glClear(GL_COLOR_BUFFER_BIT);
        CRED_Draw();
        VH_SwapBuffers();
        glClear(GL_COLOR_BUFFER_BIT);
        CRED_Draw();
        creditsDrawn = true;
    }
    VH_SwapBuffers();
}
