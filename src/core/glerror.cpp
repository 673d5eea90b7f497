// glerror: one-line OpenGL error reports on stderr at the points where GL state is set up.
#include "core/glerror.h"

#include <cstdio>

namespace {
bool quietReports = false;
} // namespace

void GLERR_SetQuiet(bool quiet) {
    quietReports = quiet;
}

const char* GLERR_Name(GLenum code) {
    switch (code) {
    case GL_NO_ERROR:
        return "GL_NO_ERROR";
    case GL_INVALID_ENUM:
        return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE:
        return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION:
        return "GL_INVALID_OPERATION";
    case GL_STACK_OVERFLOW:
        return "GL_STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW:
        return "GL_STACK_UNDERFLOW";
    case GL_OUT_OF_MEMORY:
        return "GL_OUT_OF_MEMORY";
    default:
        return "UNKNOWN GL ERROR CODE";
    }
}

// Only one pending error is fetched: the rest stay queued for the next report.
void GLERR_Report() {
    const GLenum code = glGetError();
    if (code == GL_NO_ERROR && quietReports) return;
    std::fputc('\n', stderr);
    std::fputs(code == GL_NO_ERROR ? "NO GL ERROR" : GLERR_Name(code), stderr);
}

void GLERR_ReportLabel(const char* label) {
    const GLenum code = glGetError();
    if (code == GL_NO_ERROR && quietReports) return;
    std::fputc('\n', stderr);
    if (code == GL_NO_ERROR)
        std::fprintf(stderr, "%s: NO GL ERROR", label);
    else
        std::fprintf(stderr, "%s %s", label, GLERR_Name(code));
}
