// glerror: one-line OpenGL error reports on stderr at the points where GL state is set up.
// uses: nothing of ours
#pragma once

#include <GL/gl.h>

const char* GLERR_Name(GLenum code);
void GLERR_Report();
void GLERR_ReportLabel(const char* label);
// Quiet reports leave out "NO GL ERROR" (errors are still reported); off until asked for.
void GLERR_SetQuiet(bool quiet);
