// window: the GLUT callbacks, the FPS counter and start-up.
// uses: core, text, shell's state
#pragma once

#include "core/viewport.h"

// The FPS counter: ms gathered since it was last shown and the idle steps in that window.
void VH_GetFPSWindow(double* ms, int* frames);
void VH_ResetFPSWindow();
void VH_SetFPSLine(int consoleLine);

// The GLUT callbacks. The driver calls the very same functions.
void reshape(int width, int height);
void display();
void idle();
void keyboard(unsigned char key, int x, int y);
void special(int key, int x, int y);

// The body of idle() for a given frame time: the state machine and the FPS counter.
void VH_IdleStep(double seconds);

// Everything main does before entering the GLUT loop. A driven start maps the window
// but installs no GLUT callbacks: the driver calls them itself. With stencil the window also
// gets a stencil buffer, which the program itself never uses (a tool counts fragments in it).
void VH_Start(int argc, char** argv, int width, int height, bool driven, bool stencil = false);
