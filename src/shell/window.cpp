// window: the GLUT callbacks, the FPS counter and start-up.
#include "shell/window.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <chrono>
#include <cstdio>

#include "audio/music.h"
#include "core/debuglog.h"
#include "core/passmark.h"
#include "core/platform.h"
#include "core/timer.h"
#include "shell/frames.h"
#include "shell/sequence.h"
#include "shell/state.h"
#include "text/console.h"

namespace {
using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double fpsTime = 0.0; // ms gathered since the counter was last shown
int fpsFrames = 0;    // idle steps in that window
int fpsLine = -1;     // console line id of the counter
char fpsText[32];     // "FPS: " and an int
void noDisplay() {}
} // namespace

void VH_GetFPSWindow(double* ms, int* frames) {
    *ms = fpsTime;
    *frames = fpsFrames;
}

void VH_ResetFPSWindow() {
    fpsTime = 0.0;
    fpsFrames = 0;
}

void VH_SetFPSLine(int consoleLine) {
    fpsLine = consoleLine;
}

void reshape(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The aspect is fixed at 1.0: the picture stretches with the window.
    gluPerspective(VH_FOV, 1.0, 0.1, 320.0);
    glMatrixMode(GL_MODELVIEW);
    VH_WindowHeight = height;
    VH_WindowWidth = width;
    CON_Resize(VH_Console, width, height);
}

void display() {
    const Clock::time_point start = Clock::now();
    VH_MainRender();
    VH_DrawFrameGraph();
    VH_TakePendingScreenshot();
    VH_RecordRender(msSince(start));
    VH_BeginPass(VH_PASS_OTHER);
    VH_SwapBuffers();
}

// The track of the part that plays now: its row's, or the credits'.
static int partTrack() {
    const int row = VH_CurrentRow();
    if (row == VH_SequenceLength()) return SND_TrackOfPart(VH_CREDITS_PART);
    const VH_SequenceRow* r = VH_SequenceRowAt(row);
    return r ? SND_TrackOfPart(r->name) : -1;
}

void VH_IdleStep(double seconds) {
    const double step = VH_FrameSeconds(seconds);
    if (step >= 0.0) {
        const Clock::time_point start = Clock::now();
        VH_MainIdle((float)step);
        VH_RecordUpdate(seconds * 1000.0, msSince(start));
    } else {
        CON_Update(VH_Console, seconds); // paused: the console still blinks and scrolls
    }
    // After the update, so a part that began in this frame is heard from this frame on. A
    // paused frame, and a single step through one, is silent.
    SND_Frame(partTrack(), VH_RowEntries(), seconds, step, VH_IsPaused(), VH_TimeScale());
    fpsTime += seconds * 1000.0;
    fpsFrames += 1;
    // The count is of the window that just ended, not per second; the excess is dropped.
    if (fpsTime >= 1000.0) {
        std::snprintf(fpsText, sizeof(fpsText), "FPS: %i", fpsFrames);
        CON_SetLineText(VH_Console, fpsText, fpsLine);
        fpsTime = 0.0;
        fpsFrames = 0;
    }
    VH_PostRedisplay();
}

void idle() {
    VH_IdleStep(TIMER_GetDelta());
}

void keyboard(unsigned char key, int x, int y) {
    VH_Keyboard((int)key, false, x, y);
}

void special(int key, int x, int y) {
    VH_Keyboard(key, true, x, y);
}

// The wheel moves the console's scroll-back (freeglut: direction +1 away from the user, i.e. up).
void wheel(int /*wheel*/, int direction, int /*x*/, int /*y*/) {
    CON_ScrollView(VH_Console, direction > 0 ? CON_WHEEL_LINES : -CON_WHEEL_LINES);
}

void VH_Start(int argc, char** argv, int width, int height, bool driven, bool stencil) {
    DBG_Open();
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH | (stencil ? GLUT_STENCIL : 0u));
    glutInitWindowSize(width, height);
    glutInitWindowPosition(100, 100);
    glutCreateWindow(argv[0]);
    if (driven) {
        // Let the window be mapped before anything is drawn into it; GLUT insists on
        // a display callback while it handles the window's first events.
        glutDisplayFunc(noDisplay);
        for (int i = 0; i < 8; ++i)
            glutMainLoopEvent();
    }
    VH_MainGLInit();
    if (!driven) {
        glutDisplayFunc(display);
        glutReshapeFunc(reshape);
        glutIdleFunc(idle);
        glutKeyboardFunc(keyboard);
        glutSpecialFunc(special);
        glutMouseWheelFunc(wheel);
    }
    VH_SetDisplayFunc(display);
    VH_Initialize();
}
