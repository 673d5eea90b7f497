// glerror: one-line OpenGL error reports on stderr at the points where GL state is set up.
// uses: nothing of ours
#pragma once

#include <GL/gl.h>

const char* GLERR_Name(GLenum code);
void GLERR_Report();
void GLERR_ReportLabel(const char* label);
// Quiet leaves out the reports that say there was no error; errors are still reported.
void GLERR_SetQuiet(bool quiet);
