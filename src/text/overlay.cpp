// overlay: flat rectangles over the 3D picture in window pixels (y down).
// A pass leaves blending on; the translucent ground grid drawn later relies on that.
#include "text/overlay.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "core/viewport.h"

namespace {
struct SavedState {
    bool blend;
    bool lighting;
    bool texture;
};
SavedState saved = {false, false, false};
} // namespace

void CON_Begin2D(bool textured) {
    saved.blend = glIsEnabled(GL_BLEND);
    saved.lighting = glIsEnabled(GL_LIGHTING);
    saved.texture = glIsEnabled(GL_TEXTURE_2D);

    glViewport(0, 0, VH_WindowWidth, VH_WindowHeight);
    if (saved.lighting) glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    if (!saved.blend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    if (textured && !saved.texture) glEnable(GL_TEXTURE_2D);
    if (!textured && saved.texture) glDisable(GL_TEXTURE_2D);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0, VH_WindowWidth, VH_WindowHeight, 0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void CON_End2D() {
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    if (saved.lighting) glEnable(GL_LIGHTING);
    else glDisable(GL_LIGHTING);
    if (saved.texture) glEnable(GL_TEXTURE_2D);
    else glDisable(GL_TEXTURE_2D);
}

void CON_DrawTexturedRect(float x0, float x1, float y0, float y1) {
    glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex3f(x0, y0, 0.1f);
        glTexCoord2f(1, 0);
        glVertex3f(x1, y0, 0.1f);
        glTexCoord2f(1, 1);
        glVertex3f(x1, y1, 0.1f);
        glTexCoord2f(0, 1);
        glVertex3f(x0, y1, 0.1f);
    glEnd();
}

void CON_DrawRect(float x0, float x1, float y0, float y1) {
    glBegin(GL_QUADS);
        glVertex3f(x0, y0, 0.1f);
        glVertex3f(x1, y0, 0.1f);
        glVertex3f(x1, y1, 0.1f);
        glVertex3f(x0, y1, 0.1f);
    glEnd();
}
