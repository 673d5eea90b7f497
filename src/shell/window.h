// window: the window globals, the GLUT callbacks, the FPS counter and start-up.
#pragma once

#include "core/viewport.h"

extern double VH_FPSTime; // ms gathered since the counter was last shown
extern int VH_FPSFrames;  // idle steps in that window
extern int VH_FPSLine;    // console line id of the counter

// The GLUT callbacks. The driver calls the very same functions.
void reshape(int width, int height);
void display();
void idle();
void keyboard(unsigned char key, int x, int y);
void special(int key, int x, int y);

// The body of idle() for a given frame time: the state machine and the FPS counter.
void VH_IdleStep(double seconds);

// Everything main does before entering the GLUT loop. A driven start maps the window
// but installs no GLUT callbacks: the driver calls them itself.
void VH_Start(int argc, char** argv, int width, int height, bool driven);
